// Names in the command line's output: every byte shown unambiguously (RawToEscaped), with the
// decoded form beside where it differs, and the same in JSON for scripts.
#pragma once

#include <QByteArray>
#include <QString>

#include <string>
#include <vector>

// A path as text, each component decoded on its own (a UTF-8 folder may hold a CP1251 name).
QString DecodedPath(const QByteArray& raw);
// The escaped path, then "  (decoded)" when the decoded form differs from it.
std::string PathForPeople(const QByteArray& raw);
// How the name was read (code page 0: UTF-8), named as everywhere else (EncodingName).
const char* EncodingName(unsigned codePage);
// The real paths of the paths the user named, one a line, for a journal's header.
QByteArray RealPaths(const std::vector<std::string>& paths);
// The paths without those that name the same file or folder as an earlier one (a path named
// twice is taken once); paths that cannot be reached stay, to be reported.
std::vector<std::string> DistinctPaths(const std::vector<std::string>& paths);
// "folder/name", with one slash.
QByteArray ChildPath(const QByteArray& folder, const QByteArray& name);
