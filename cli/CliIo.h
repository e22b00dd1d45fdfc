// Whole-file input and checked output for the command-line tool. Errors come back as text
// that names the file, ready for standard error.
#pragma once

#include <string>
#include <string_view>

// The bytes of a whole file (mapped into memory when it is a regular file, so large inputs are
// neither copied nor held twice) or of standard input.
class CInputBytes {
public:
    CInputBytes() = default;
    CInputBytes(const CInputBytes&) = delete;
    CInputBytes& operator=(const CInputBytes&) = delete;
    ~CInputBytes();

    // Reads a file, or standard input for an empty path; false with the reason naming it.
    bool Open(const std::string& path, std::string& error);
    std::string_view Bytes() const { return m_mapped ? std::string_view(m_mapped, m_size) : m_buffer; }
    void Close();

private:
    std::string m_buffer;
    const char* m_mapped = nullptr;
    std::size_t m_size = 0;
};

// Writes to standard output; false (with the reason) when the write failed, e.g. on a full disk.
bool WriteOut(std::string_view bytes, std::string& error);
// "standard input" for the empty path, the path otherwise.
std::string InputName(const std::string& path);
// The text as a JSON string, quotes included; the text must be valid UTF-8.
std::string JsonQuote(std::string_view utf8);
