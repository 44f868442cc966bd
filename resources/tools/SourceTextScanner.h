#pragma once
// Finds the string literals of C++ sources, the way the compiler sees them:
// comments and character literals skipped, escapes decoded, raw strings
// taken as written, adjacent literals ("a" "b") joined into one. Used to
// list the Chinese source texts the translation table must cover.
#include <filesystem>
#include <string>
#include <vector>

namespace hazard_desk::i18n {

struct SourceText {
    std::string text;  // UTF-8
    std::string file;  // as given, or relative to the scanned root
    int line = 0;      // line of the literal's first piece
};

// All literals of one source, in order.
std::vector<SourceText> scanLiterals(const std::string& source, const std::string& file);

// True when the UTF-8 text holds a CJK unified ideograph (U+4E00..U+9FFF).
bool containsIdeograph(const std::string& utf8);

// The literals holding an ideograph in every .h/.cpp file under the root's
// top-level folders, except the folders named in skip, hidden folders and
// build folders ("build", "build-*"). Files in name order.
std::vector<SourceText> scanChineseTexts(const std::filesystem::path& root, const std::vector<std::string>& skip);

// The folders of the repository that hold no workstation texts.
const std::vector<std::string>& defaultSkippedFolders();

}  // namespace hazard_desk::i18n
