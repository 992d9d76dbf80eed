#include "PlugHost.h"

bool ReadWholeFile(const char* path, std::string* bytes, std::string* error) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        *error = std::string("cannot open ") + path + ": " + SystemErrorText(GetLastError());
        return false;
    }
    bool ok = false;
    // The whole 64-bit size: a file past 4 GB must not pass as its low part.
    LARGE_INTEGER whole;
    if (!GetFileSizeEx(file, &whole)) {
        *error = std::string("cannot read ") + path + ": " + SystemErrorText(GetLastError());
    } else if (whole.QuadPart > MaxInputFileSize) {
        *error = std::string(path) + " is too large to be read";
    } else {
        DWORD size = (DWORD)whole.QuadPart;
        bytes->assign(size, '\0');
        DWORD got = 0;
        if (size > 0 && (!ReadFile(file, &(*bytes)[0], size, &got, NULL) || got != size))
            *error = std::string("cannot read ") + path + ": " + SystemErrorText(GetLastError());
        else
            ok = true;
    }
    CloseHandle(file);
    return ok;
}

std::string SystemErrorText(DWORD code) {
    char text[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL,
                                  code, 0, text, sizeof(text), NULL);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' ||
                          text[length - 1] == ' ' || text[length - 1] == '.'))
        length--;
    if (length == 0)
        return "error " + std::to_string(code);
    return std::string(text, length);
}

static char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); i++)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

std::wstring WideText(const std::string& text, UINT codePage) {
    std::wstring wide;
    int length = MultiByteToWideChar(codePage, 0, text.data(), (int)text.size(), NULL, 0);
    if (length > 0) {
        wide.resize(length);
        MultiByteToWideChar(codePage, 0, text.data(), (int)text.size(), &wide[0], length);
    }
    return wide;
}

std::string Utf8Text(const std::wstring& text) {
    std::string narrow;
    int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), NULL, 0, NULL, NULL);
    if (length > 0) {
        narrow.resize(length);
        WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &narrow[0], length, NULL,
                            NULL);
    }
    return narrow;
}
