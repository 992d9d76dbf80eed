// The tests' 8-bit text and the module's UTF-16 text, converted through a
// code page: the ANSI one unless another is named (CP_UTF8 for text written
// in the sources beyond any code page).
#pragma once

#include <windows.h>

#include <string>

inline std::wstring Wide(const std::string& text, UINT codePage = CP_ACP) {
    int length = MultiByteToWideChar(codePage, 0, text.data(), (int)text.size(), NULL, 0);
    std::wstring wide(length, L'\0');
    if (length > 0)
        MultiByteToWideChar(codePage, 0, text.data(), (int)text.size(), &wide[0], length);
    return wide;
}

inline std::string Narrow(const std::wstring& text, UINT codePage = CP_ACP) {
    int length =
        WideCharToMultiByte(codePage, 0, text.data(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string narrow(length, '\0');
    if (length > 0)
        WideCharToMultiByte(codePage, 0, text.data(), (int)text.size(), &narrow[0], length, NULL,
                            NULL);
    return narrow;
}
