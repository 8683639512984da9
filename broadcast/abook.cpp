#include "broadcast/abook.h"

#include <initializer_list>

namespace broadcast {

int CAbook::TryProvider(int provider)
{
    if (provider != 2 && provider != 3)
        return 0;
    return books_.opens(provider) ? 1 : 0;
}

int CAbook::DetectProvider()
{
    for (int provider : {3, 2, 1}) {
        if (TryProvider(provider))
            return provider;
    }
    return 0;
}

}
