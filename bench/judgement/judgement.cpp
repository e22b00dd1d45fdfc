// How often the repair of damaged text is right, and how often it changes clean text: reads the
// corpus that corpus.py builds and prints recall per kind of damage and false changes per
// 100,000 clean lines per language. `judgement CORPUS_DIR [EXAMPLES]` prints up to EXAMPLES
// wrong results of each file on stderr.
#include "Mojibake.h"
#include "Utf8.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Lines(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::u16string U16(const std::string& s) {
    return Utf8ToUtf16(reinterpret_cast<const unsigned char*>(s.data()), s.size());
}

std::string U8(const std::u16string& s) {
    std::string out;
    AppendUtf16AsUtf8(out, s);
    return out;
}

std::vector<std::filesystem::path> Files(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: judgement CORPUS_DIR [EXAMPLES]\n");
        return 2;
    }
    const std::filesystem::path corpus = argv[1];
    const int examples = argc > 2 ? std::atoi(argv[2]) : 0;
    std::printf(
        "| damage | lines | repaired right | repaired wrong | left | recall | recall, lines of 2+ words |\n"
        "|---|---|---|---|---|---|---|\n");
    for (const auto& path : Files(corpus / "damaged")) {
        const std::vector<std::string> lines = Lines(path);
        std::size_t right = 0, wrong = 0, left = 0, shown = 0, long_ = 0, longRight = 0;
        for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
            const std::u16string damaged = U16(lines[i]);
            const std::u16string fixed = RepairMojibakeLine(damaged);
            const bool words = lines[i + 1].find(' ') != std::string::npos;
            long_ += words;
            if (U8(fixed) == lines[i + 1]) {
                ++right;
                longRight += words;
                continue;
            }
            (fixed == damaged ? left : wrong) += 1;
            if (shown < static_cast<std::size_t>(examples) && ++shown)
                std::fprintf(stderr, "%s: %s -> %s (want %s)\n", path.stem().c_str(), lines[i].c_str(),
                             U8(fixed).c_str(), lines[i + 1].c_str());
        }
        const std::size_t total = lines.size() / 2;
        std::printf("| %s | %zu | %zu | %zu | %zu | %.2f %% | %.2f %% |\n", path.stem().c_str(), total, right,
                    wrong, left, total ? 100.0 * right / total : 0.0,
                    long_ ? 100.0 * longRight / long_ : 0.0);
    }
    std::printf("\n| clean text | lines | changed | per 100,000 |\n|---|---|---|---|\n");
    for (const auto& path : Files(corpus / "clean")) {
        std::size_t changed = 0, shown = 0;
        const std::vector<std::string> lines = Lines(path);
        for (const std::string& line : lines) {
            const std::u16string fixed = RepairMojibakeLine(U16(line));
            if (U8(fixed) == line)
                continue;
            ++changed;
            if (shown < static_cast<std::size_t>(examples) && ++shown)
                std::fprintf(stderr, "%s: %s -> %s\n", path.stem().c_str(), line.c_str(), U8(fixed).c_str());
        }
        std::printf("| %s | %zu | %zu | %.1f |\n", path.stem().c_str(), lines.size(), changed,
                    lines.empty() ? 0.0 : 1e5 * changed / lines.size());
    }
    return 0;
}
