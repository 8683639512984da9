#pragma once

#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace hevtools::sed {

// Every file the engine touches: input files, -f scripts and r files are read, w files created.
class file_opener {
public:
    virtual ~file_opener() = default;
    // Null when the file cannot be opened.
    virtual std::unique_ptr<std::istream> open_for_reading(const std::string& name) = 0;
    // Null when the file cannot be created; an existing file is emptied.
    virtual std::unique_ptr<std::ostream> create_for_writing(const std::string& name) = 0;
};

// Files on disk, opened in binary mode.
class disk_file_opener final : public file_opener {
public:
    std::unique_ptr<std::istream> open_for_reading(const std::string& name) override;
    std::unique_ptr<std::ostream> create_for_writing(const std::string& name) override;
};

// Files held in memory: tests and fuzzers preset what may be read and see what was written.
class memory_file_opener final : public file_opener {
public:
    std::map<std::string, std::string> files;
    std::vector<std::string> created; // names in the order they were created

    std::unique_ptr<std::istream> open_for_reading(const std::string& name) override;
    std::unique_ptr<std::ostream> create_for_writing(const std::string& name) override;
};

// Where the engine's messages go, one message (without its line end) per call.
class error_sink {
public:
    virtual ~error_sink() = default;
    virtual void message(const std::string& text) = 0;
};

// The process's error stream: the message and a line end in one write, plus a trace line.
class stderr_error_sink final : public error_sink {
public:
    void message(const std::string& text) override;
};

// Keeps every message, for tests and callers that show them elsewhere.
class recording_error_sink final : public error_sink {
public:
    std::vector<std::string> messages;
    void message(const std::string& text) override { messages.push_back(text); }
};

// A shared sink and opener for callers that pass none; both keep no state.
error_sink& default_error_sink();
file_opener& default_file_opener();

}
