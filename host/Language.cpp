// The plug-in's language files: which one to use and its messages.
#include "PlugHost.h"

static const char LanguageDirective[] = ".Language=";
static const char FallbackLanguage[] = "English";

static std::string TrimLine(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && (text[first] == ' ' || text[first] == '\t'))
        first++;
    while (last > first && (text[last - 1] == ' ' || text[last - 1] == '\t' ||
                            text[last - 1] == '\r'))
        last--;
    return text.substr(first, last - first);
}

static bool Fault(int* errorLine, std::string* error, int line, const char* text) {
    *errorLine = line;
    *error = text;
    return false;
}

bool ParseLanguageText(const std::string& text, LanguageFile* file, int* errorLine,
                       std::string* error) {
    file->Name.clear();
    file->Messages.clear();
    size_t start = 0;
    int number = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = TrimLine(text.substr(start, end - start));
        start = end + 1;
        number++;
        if (line.empty() || line.compare(0, 2, "//") == 0)
            continue;
        if (line.compare(0, sizeof(LanguageDirective) - 1, LanguageDirective) == 0) {
            if (!file->Name.empty() || !file->Messages.empty())
                return Fault(errorLine, error, number,
                             "the .Language= line must come once, before the messages");
            std::string value = line.substr(sizeof(LanguageDirective) - 1);
            file->Name = TrimLine(value.substr(0, value.find(',')));
            if (file->Name.empty())
                return Fault(errorLine, error, number, "the .Language= line names no language");
            continue;
        }
        if (line.size() < 2 || line[0] != '"' || line[line.size() - 1] != '"')
            return Fault(errorLine, error, number,
                         "a message must be one double-quoted string on its own line");
        if (file->Name.empty())
            return Fault(errorLine, error, number, "a message before the .Language= line");
        file->Messages.push_back(line.substr(1, line.size() - 2));
    }
    if (file->Name.empty())
        return Fault(errorLine, error, 0, "no .Language= line");
    if (file->Messages.empty())
        return Fault(errorLine, error, 0, "no messages");
    return true;
}

int ChooseLanguage(const std::vector<LanguageFile>& files, const std::string& wanted) {
    for (size_t i = 0; i < files.size(); i++)
        if (SameName(files[i].Name, wanted))
            return (int)i;
    for (size_t i = 0; i < files.size(); i++)
        if (SameName(files[i].Name, FallbackLanguage))
            return (int)i;
    return -1;
}

// The UTF-8 byte-order mark a 3.x language file starts with.
static const char Utf8Mark[] = "\xEF\xBB\xBF";

// The messages of a UTF-8 file in UTF-16; false when one is not UTF-8.
static bool WidenMessages(LanguageFile* file, std::string* error) {
    file->WideMessages.clear();
    for (size_t i = 0; i < file->Messages.size(); i++) {
        const std::string& text = file->Messages[i];
        std::wstring wide(text.size(), L'\0');
        int length = text.empty() ? 0
                                  : MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.c_str(),
                                                        (int)text.size(), &wide[0],
                                                        (int)wide.size());
        if (length == 0 && !text.empty()) {
            *error = file->Path + ": message " + std::to_string(i) + " is not UTF-8";
            return false;
        }
        wide.resize(length);
        file->WideMessages.push_back(wide);
    }
    return true;
}

bool LoadLanguage(const std::string& folder, const std::string& wanted, bool utf8,
                  LanguageFile* chosen, std::string* error) {
    std::vector<LanguageFile> files;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*.lng").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            LanguageFile file;
            file.Path = folder + "\\" + found.cFileName;
            std::string text;
            int line = 0;
            bool ok = ReadWholeFile(file.Path.c_str(), &text, error);
            if (ok && utf8 && text.compare(0, 3, Utf8Mark) == 0)
                text.erase(0, 3);
            if (ok && !ParseLanguageText(text, &file, &line, error)) {
                *error = file.Path + (line > 0 ? ":" + std::to_string(line) : "") + ": " + *error;
                ok = false;
            }
            if (!ok) {
                FindClose(search);
                return false;
            }
            files.push_back(file);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    if (files.empty()) {
        *error = "no language file (*.lng) in " + folder;
        return false;
    }
    int index = ChooseLanguage(files, wanted);
    if (index < 0) {
        *error = "no " + wanted + " or " + FallbackLanguage + " language file in " + folder +
                 "; there are:";
        for (size_t i = 0; i < files.size(); i++)
            *error += " " + files[i].Name;
        return false;
    }
    *chosen = files[index];
    return !utf8 || WidenMessages(chosen, error);
}
