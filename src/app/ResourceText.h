#pragma once
#include <windows.h>

#include <string>

// Texts of the program's string table.
std::u16string LoadResourceText(UINT id);

// Replaces the first "%s" of a string-table text with value.
std::u16string FormatResourceText(UINT id, const std::u16string& value);

// The message-box caption every message of the program carries.
std::u16string ApplicationTitle();

int ShowMessage(HWND owner, const std::u16string& text, UINT flags);
