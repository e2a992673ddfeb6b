// Qt-side access to the plug-in's texts.
#pragma once

#include <QString>

#include <string_view>

#include "engine/UiText.h"

namespace halvex {

inline QString ToQString(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

inline QString Tr(Text pair) {
    return ToQString(UiText(pair));
}
inline QString Tr(ExtraText text) {
    return ToQString(ExtraUiText(text));
}

// A widget's object name: its control ID, so that hosts and tests find it as on Windows.
inline QString ControlName(int id) {
    return QString::number(id);
}

}  // namespace halvex
