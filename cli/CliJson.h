// JSON for scripts, written by Qt's encoder. Characters that would hide or reorder the text
// around them (bidirectional controls, zero-width marks) are escaped as well, so that a line
// looked at in a terminal shows what it holds.
#pragma once

#include <QJsonValue>

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

// A value (a string, a number, null...) as JSON.
std::string JsonValue(const QJsonValue& value);
// The text as a JSON string, quotes included; the text must be valid UTF-8.
std::string JsonQuote(std::string_view utf8);
// One object on one line, ending in a line feed, with its fields in the order given (QJsonObject
// would sort them, and people read these lines too).
std::string JsonLine(std::initializer_list<std::pair<const char*, QJsonValue>> fields);
