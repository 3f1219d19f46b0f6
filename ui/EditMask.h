#pragma once

#include <QString>

namespace ui {

// Edit masks are written in the notation of the suite's forms: the mask characters, then
// optionally ";" and whether literals are kept in the value, then ";" and the character that
// shows an empty position, e.g. ">aaa;0; " (upper case, three optional letters or digits, a
// blank for each empty place). Returns the same mask in the toolkit's input-mask notation.
QString toInputMask(const QString& editMask);

}  // namespace ui
