#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform::testing {

// An in-process TCP peer on 127.0.0.1 (a free port) that plays a script against the one
// connection it accepts and keeps every byte it receives.
//
//   expect(n bytes)  read that many bytes (fewer when the other side closes first)
//   send(text)       write the text
//   close()          close the connection now
//   stall()          read nothing until the test asks for what was received (or the peer
//                    ends), then read on
//
// After the last step it reads on until the other side closes, so silence is a stall.
// A slow reader takes a few bytes per read through a small receive buffer, so that the
// other side's sends are taken in part. Every read gives up after a long limit so that a
// faulty client cannot hang a test.
class loopback_peer {
public:
    struct step {
        enum class kind { expect, send, close, stall } what;
        std::string text;
    };
    static step expect(std::string text) { return {step::kind::expect, std::move(text)}; }
    static step send(std::string text) { return {step::kind::send, std::move(text)}; }
    static step close() { return {step::kind::close, {}}; }
    static step stall() { return {step::kind::stall, {}}; }

    explicit loopback_peer(std::vector<step> script, bool slow_reader = false);
    ~loopback_peer();
    loopback_peer(const loopback_peer&) = delete;
    loopback_peer& operator=(const loopback_peer&) = delete;

    std::uint16_t port() const { return port_; }
    // Ends a stall, waits for the script's end and the other side's close; the bytes received.
    std::string received();
    // Waits until the bytes received so far hold the text; false when the script ended
    // without them or after a long limit.
    bool wait_received(const std::string& text);

    // A port on 127.0.0.1 with nobody listening.
    static std::uint16_t refused_port();

private:
    void run();
    void release();
    // Reads `wanted` bytes (0: until the other side closes); false once the connection ended.
    bool read_into(std::size_t wanted);

    std::vector<step> script_;
    bool slow_;
    int listener_ = -1;
    int connection_ = -1;
    std::uint16_t port_ = 0;
    std::mutex mutex_;
    std::condition_variable grown_;
    bool finished_ = false;
    bool released_ = false;
    std::string received_;
    std::thread thread_;
};

}
