// Starts a stand-in, prints its process id and aborts, as a test that crashes would.
#include "standin/fixture/quorbis_stand_in.h"

#include <cstdio>
#include <cstdlib>

int main()
{
    standin::QuorbisStandIn stand_in;
    std::printf("%d\n", stand_in.pid());
    std::fflush(stdout);
    std::abort();
}
