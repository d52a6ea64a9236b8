// Wildcards apply to the last component only, and "?" takes a whole UTF-8 character, so a
// Chinese name matches "?.dwg" as it does on Windows. Matching backtracks only to the last
// "*" seen, so a pattern costs at most the product of the two lengths.

#include "wildcard_p.h"

#include "storedname_p.h"

#include <algorithm>
#include <filesystem>

namespace zeva::archive::internal {

bool matchPattern(std::string_view pattern, std::string_view name)
{
    if (pattern == "*.*")
        return true;
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = ++p;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += utf8Length(name, n);
        } else if (p < pattern.size() && lower(pattern[p]) == lower(name[n])) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP;
            starN += utf8Length(name, starN);
            n = starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

Matches findMatches(const std::string &path, bool withFolders)
{
    namespace fs = std::filesystem;
    Matches matches;
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string pattern = path.substr(folder.size());
    if (folder.find_first_of("*?") != std::string::npos)
        return matches;
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), ec);
    if (ec)
        return matches;
    if (withFolders && (matchPattern(pattern, ".") || matchPattern(pattern, "..")))
        matches.any = true;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        const std::string name = it->path().filename().string();
        if (!matchPattern(pattern, name))
            continue;
        std::error_code typeError;
        if (it->is_directory(typeError)) {
            matches.any = matches.any || withFolders;
        } else if (it->is_regular_file(typeError)) {
            matches.any = true;
            matches.files.push_back(folder + name);
        }
    }
    std::sort(matches.files.begin(), matches.files.end());
    return matches;
}

} // namespace zeva::archive::internal
