// Input in pieces and checked output for the command-line tool. Errors come back as text
// that names the file, ready for standard error.
#pragma once

#include <string>
#include <string_view>

// A file, or standard input for the empty path, read in pieces so that no input of any size is
// ever held whole.
class CInputStream {
public:
    CInputStream() = default;
    CInputStream(const CInputStream&) = delete;
    CInputStream& operator=(const CInputStream&) = delete;
    ~CInputStream();

    bool Open(const std::string& path, std::string& error);
    // Appends up to `max` bytes to `buffer` (fewer only at the end); false with the reason.
    bool Read(std::string& buffer, std::size_t max, std::string& error);
    bool AtEnd() const { return m_end; }
    // Back to the first byte: regular files only (false for pipes and terminals).
    bool Rewind();

private:
    int m_fd = -1;
    bool m_end = false;
    std::string m_name;
};

// Writes to standard output; false (with the reason) when the write failed, e.g. on a full disk.
bool WriteOut(std::string_view bytes, std::string& error);
// "standard input" for the empty path, the path otherwise.
std::string InputName(const std::string& path);
