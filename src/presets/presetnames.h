#pragma once

#include <QString>

namespace tarn::presets {
// The processor's preset store has this many slots, numbered from 1.
constexpr int kDevicePresetSlots = 30;
// Longest preset name the processor takes.
constexpr int kMaxDeviceNameLength = 32;
// Longest preset file name on the PC.
constexpr int kMaxFileNameLength = 64;

// A name the processor takes: 1 to 32 of letters, digits, blank and ! # $ % & ' ( ) + , - . = [ ]
// ^ _ \ { } ~ @ (the screens' name validator).
bool isValidDeviceName(const QString &name);

// A name that can be a preset file in the PC's preset folder and never lead out of it: not
// empty, at most kMaxFileNameLength characters, no separator, "..", control character, character
// a common file system refuses, leading or trailing blank or trailing dot, nor a name that some
// systems reserve for devices (CON, NUL, COM1, ...). why: the reason, for the user.
bool isSafeFileName(const QString &name, QString *why = nullptr);

// The slot number in a text from the screens, or 0 when it is none (digits only, 1 .. 1000).
int slotNumber(const QString &text);
} // namespace tarn::presets
