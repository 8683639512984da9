#include "conversion/aol_variables.h"

namespace conversion {

std::vector<std::pair<std::string, std::string>> aol_policy_variables(bool markup_entities)
{
    if (!markup_entities)
        return {
            {"#convertDiv", "true"},
            {"#aolCRLF", "<br>"},
            {"#nbsp", " "},
            {"#lt", "<"},
            {"#gt", ">"},
            {"#amp", "&"},
            {"#ULprefix", "<br>   *"},
            {"#ULsuffix", " "},
            {"#OLprefix", "<br>   "},
            {"#OLsuffix", ". "},
        };
    return {
        {"#convertPar", "true"},
        {"#aolCRLF", "<br>"},
        {"#nbsp", "&nbsp;"},
        {"#lt", "&lt;"},
        {"#gt", "&gt;"},
        {"#amp", "&amp;"},
        {"#ULprefix", "<br>&nbsp;&nbsp;&nbsp;*"},
        {"#ULsuffix", "&nbsp;"},
        {"#OLprefix", "<br>&nbsp;&nbsp;&nbsp;"},
        {"#OLsuffix", ".&nbsp;"},
    };
}

}
