// Server bytes in random chunks through the SMTP reply reader: each reply ends with a code
// of 100-999 or a protocol error, never holds more than 100 lines or 64 KiB, and no line
// is longer than the 2048-byte buffer.
#include "broadcast/smtp/smtp_reply.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

using broadcast::smtp::reply_buffer;
using broadcast::smtp::reply_collector;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the chunk sizes; the rest is what the server sends.
    const std::size_t chunk_seed = data[0];
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    std::size_t left = size - 1;
    reply_buffer buffer;
    reply_collector reply;
    std::size_t reply_bytes = 0;
    int reply_lines = 0;
    std::size_t step = 0;
    while (left > 0) {
        std::size_t chunk = 1 + (chunk_seed * 31 + step++ * 17) % 97;
        chunk = std::min({chunk, left, buffer.free_space()});
        std::copy(bytes, bytes + chunk, buffer.space());
        buffer.commit(chunk);
        bytes += chunk;
        left -= chunk;
        while (auto line = buffer.take_line()) {
            if (line->size() > reply_buffer::capacity || line->back() != '\n')
                std::abort();
            reply_bytes += line->size();
            ++reply_lines;
            switch (reply.add(*line)) {
            case reply_collector::state::more:
                if (reply_lines > reply_collector::max_lines || reply_bytes > reply_collector::max_bytes)
                    std::abort();
                break;
            case reply_collector::state::done:
                if (reply.code() < 100 || reply.code() > 999 || reply_lines > reply_collector::max_lines)
                    std::abort();
                [[fallthrough]];
            case reply_collector::state::failed:
                reply = reply_collector();
                reply_bytes = 0;
                reply_lines = 0;
                break;
            }
        }
        // A full buffer without a line end is a protocol error: the dialogue stops reading.
        if (buffer.full())
            return 0;
    }
    return 0;
}
