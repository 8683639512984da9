#include "platform/locale/lcid.h"

#include <map>

namespace platform::locale {

namespace {

const std::map<std::string, int>& table()
{
    static const std::map<std::string, int> numbers {
        {"cs_CZ", 1029}, {"da_DK", 1030}, {"de_AT", 3079}, {"de_CH", 2055}, {"de_DE", 1031}, {"el_GR", 1032},
        {"en_AU", 3081}, {"en_CA", 4105}, {"en_GB", 2057}, {"en_IE", 6153}, {"en_NZ", 5129}, {"en_US", 1033},
        {"es_ES", 3082}, {"es_MX", 2058}, {"fi_FI", 1035}, {"fr_BE", 2060}, {"fr_CA", 3084}, {"fr_CH", 4108},
        {"fr_FR", 1036}, {"hu_HU", 1038}, {"it_IT", 1040}, {"ja_JP", 1041}, {"ko_KR", 1042}, {"nb_NO", 1044},
        {"nl_BE", 2067}, {"nl_NL", 1043}, {"pl_PL", 1045}, {"pt_BR", 1046}, {"pt_PT", 2070}, {"ru_RU", 1049},
        {"sv_SE", 1053}, {"tr_TR", 1055}, {"zh_CN", 2052}, {"zh_TW", 1028},
        {"cs", 1029}, {"da", 1030}, {"de", 1031}, {"el", 1032}, {"en", 1033}, {"es", 3082}, {"fi", 1035},
        {"fr", 1036}, {"hu", 1038}, {"it", 1040}, {"ja", 1041}, {"ko", 1042}, {"nb", 1044}, {"nl", 1043},
        {"pl", 1045}, {"pt", 2070}, {"ru", 1049}, {"sv", 1053}, {"tr", 1055}, {"zh", 2052},
        {"C", 1033}, {"POSIX", 1033},
    };
    return numbers;
}

}

int lcid_of(const std::string& locale_name)
{
    std::string name = locale_name.substr(0, locale_name.find_first_of(".@"));
    auto found = table().find(name);
    if (found != table().end())
        return found->second;
    found = table().find(name.substr(0, name.find('_')));
    return found == table().end() ? 0 : found->second;
}

int user_default_lcid(const env::environment& env)
{
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        auto it = env.find(variable);
        if (it != env.end() && !it->second.empty()) {
            int number = lcid_of(it->second);
            return number != 0 ? number : 1033;
        }
    }
    return 1033;
}

}
