// Real text for the reading and repair figures: the Russian, German and English fortune cookies and
// the French and Icelandic spelling dictionaries of Debian (packages fortunes-ru, fortunes-de,
// fortunes-min, hunspell-fr-classical, hunspell-is; .ci/run installs them).
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace corpus {

inline std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The cookies of every fortune file in a folder (or one file), in a fixed order.
inline std::vector<std::string> Cookies(const std::filesystem::path& where) {
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(where)) {
        for (const auto& entry : std::filesystem::directory_iterator(where)) {
            const std::string ext = entry.path().extension().string();
            if (entry.is_regular_file() && !entry.is_symlink() && ext != ".dat" && ext != ".u8")
                files.push_back(entry.path());
        }
    } else if (std::filesystem::exists(where)) {
        files.push_back(where);
    }
    std::sort(files.begin(), files.end());
    std::vector<std::string> cookies;
    for (const auto& file : files) {
        std::istringstream in(ReadAll(file));
        std::string line, cookie;
        while (std::getline(in, line)) {
            if (line == "%") {
                if (!cookie.empty())
                    cookies.push_back(cookie);
                cookie.clear();
            } else {
                cookie += line + "\n";
            }
        }
        if (!cookie.empty())
            cookies.push_back(cookie);
    }
    return cookies;
}

inline std::vector<std::string> Lines(const std::vector<std::string>& cookies) {
    std::vector<std::string> lines;
    for (const std::string& cookie : cookies) {
        std::istringstream in(cookie);
        std::string line;
        while (std::getline(in, line))
            lines.push_back(line);
    }
    return lines;
}

// The words of a spelling dictionary ("word/FLAGS" lines after a count), shuffled into lines of
// eight, seeded: real accented words in a made-up order.
inline std::vector<std::string> DictionaryLines(const std::filesystem::path& dic, std::size_t count) {
    std::istringstream in(ReadAll(dic));
    std::string line;
    std::vector<std::string> words;
    std::getline(in, line);
    while (std::getline(in, line)) {
        const std::string word = line.substr(0, line.find_first_of("/\t "));
        if (!word.empty())
            words.push_back(word);
    }
    std::vector<std::string> lines;
    if (words.empty())
        return lines;
    std::mt19937 rng(2024);
    std::uniform_int_distribution<std::size_t> pick(0, words.size() - 1);
    for (std::size_t i = 0; i < count; ++i) {
        std::string text;
        for (int k = 0; k < 8; ++k)
            text += (k ? " " : "") + words[pick(rng)];
        lines.push_back(text + ".");
    }
    return lines;
}

inline const char* kRussian = "/usr/share/games/fortunes/ru";
inline const char* kGerman = "/usr/share/games/fortunes/de";
inline const char* kEnglish = "/usr/share/games/fortunes/fortunes";
inline const char* kFrench = "/usr/share/hunspell/fr.dic";
inline const char* kIcelandic = "/usr/share/hunspell/is_IS.dic";

} // namespace corpus
