// A plug-in's help files: read as the host reads them, checked for what
// would leave its user without the help, and a topic laid out for a box.
#include "PlugHost.h"

static const char Utf8Mark[] = "\xEF\xBB\xBF";
static const wchar_t LanguageDirective[] = L".Language=";
static const size_t LanguageDirectiveLength = sizeof(LanguageDirective) / sizeof(wchar_t) - 1;
static const char FallbackLanguage[] = "English";

static bool Fault(HelpFault* fault, int line, const std::string& text) {
    fault->Line = line;
    fault->Text = text;
    return false;
}

// A line of UTF-8 in UTF-16; false when it is not UTF-8.
static bool Utf8Line(const std::string& bytes, std::wstring* text) {
    text->clear();
    if (bytes.empty())
        return true;
    int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                     (int)bytes.size(), NULL, 0);
    if (length == 0)
        return false;
    text->resize(length);
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), (int)bytes.size(), &(*text)[0], length);
    return true;
}

static bool HasNonAscii(const std::string& bytes) {
    for (size_t i = 0; i < bytes.size(); i++)
        if ((unsigned char)bytes[i] >= 0x80)
            return true;
    return false;
}

static std::vector<std::string> SplitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        size_t last = end > start && bytes[end - 1] == '\r' ? end - 1 : end;
        lines.push_back(bytes.substr(start, last - start));
        start = end + 1;
    }
    return lines;
}

// The file's lines as the host decodes them, whichever interface reads it:
// by its byte-order mark, else each line in UTF-8 up to the first that is
// not, and the rest in the OEM code page. A help file in the wrong
// encoding still shows, garbled; the refusals are for what would show so.
// A 3.x module's text is Unicode, and its help must be read the same on
// every machine: UTF-8 with the mark, not a guess that depends on where the
// UTF-8 check stops and on the user's OEM code page. A 1.x plug-in's help
// is OEM text or UTF-8 with the mark; without one, lines of UTF-8 beyond
// ASCII ahead of lines in the OEM code page mean one of the two parts shows
// wrongly, whichever was meant.
static bool DecodeHelp(const std::string& bytes, PluginInterface reader, UINT oemCodePage,
                       std::vector<std::wstring>* lines, HelpFault* fault) {
    static const char* const WrongEncoding = "wrong encoding: ";
    bool marked = bytes.compare(0, 3, Utf8Mark) == 0;
    if (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0)
        return Fault(fault, 0, std::string(WrongEncoding) + "UTF-16 (its byte-order mark); " +
                                   (reader == Interface3 ? "a 3.x plug-in's help is UTF-8 with a "
                                                           "byte-order mark"
                                                         : "a 1.x plug-in's help is OEM text or "
                                                           "UTF-8 with a byte-order mark"));
    if (!marked && reader == Interface3)
        return Fault(fault, 0, std::string(WrongEncoding) +
                                   "no UTF-8 byte-order mark; a 3.x plug-in's help is UTF-8 "
                                   "with a byte-order mark");
    std::vector<std::string> raw = SplitLines(bytes.substr(marked ? 3 : 0));
    int firstUtf8 = 0;  // the first line beyond ASCII read as UTF-8
    bool oem = false;
    lines->clear();
    for (size_t i = 0; i < raw.size(); i++) {
        int number = (int)i + 1;
        std::wstring line;
        if (!oem && !Utf8Line(raw[i], &line)) {
            if (marked)
                return Fault(fault, number, std::string(WrongEncoding) +
                                                "not UTF-8, which its byte-order mark says "
                                                "the file is");
            if (firstUtf8 > 0)
                return Fault(fault, number,
                             std::string(WrongEncoding) + "line " + std::to_string(firstUtf8) +
                                 " reads as UTF-8 and this one, after it, in the OEM code "
                                 "page: without a byte-order mark one of the two shows "
                                 "wrongly");
            oem = true;
        }
        if (oem)
            line = WideText(raw[i], oemCodePage);
        else if (firstUtf8 == 0 && HasNonAscii(raw[i]))
            firstUtf8 = number;
        for (size_t c = 0; c < line.size(); c++)
            if (line[c] < L' ' && line[c] != L'\t')
                return Fault(fault, number,
                             std::string(WrongEncoding) +
                                 "control characters, not text (UTF-16 without its "
                                 "byte-order mark?)");
        lines->push_back(line);
    }
    return true;
}

static std::wstring TrimRight(const std::wstring& text) {
    size_t end = text.size();
    while (end > 0 && (text[end - 1] == L' ' || text[end - 1] == L'\t'))
        end--;
    return text.substr(0, end);
}

static std::wstring Trim(const std::wstring& text) {
    std::wstring right = TrimRight(text);
    size_t start = 0;
    while (start < right.size() && (right[start] == L' ' || right[start] == L'\t'))
        start++;
    return right.substr(start);
}

// "@-", "@+" and "@=" switch the layout inside a topic; "@@" is an "@" of
// the text. Any other "@" at the start of a line starts a topic.
static bool IsTopicLine(const std::wstring& line) {
    return !line.empty() && line[0] == L'@' &&
           (line.size() < 2 || (line[1] != L'-' && line[1] != L'+' && line[1] != L'=' &&
                                line[1] != L'@'));
}

int FindHelpTopic(const HelpFile& file, const std::wstring& name) {
    std::wstring wanted = name;
    for (size_t i = 0; i < file.Aliases.size(); i++)
        if (lstrcmpiW(file.Aliases[i].Name.c_str(), name.c_str()) == 0)
            wanted = file.Aliases[i].Topic;
    for (size_t i = 0; i < file.Topics.size(); i++)
        if (lstrcmpiW(file.Topics[i].Name.c_str(), wanted.c_str()) == 0)
            return (int)i;
    return -1;
}

// A link's target in this file: not the host's own help (":Topic"), another
// file ("<path>Topic") or a web address.
static bool IsTopicHere(const std::wstring& target) {
    return !target.empty() && target[0] != L':' && target[0] != L'<' &&
           target.find(L"://") == std::wstring::npos && target.compare(0, 7, L"mailto:") != 0;
}

// Whether every link "~text~@Topic@" of the line ends on it, as the host
// needs, and names a topic the file has, where it names one of this file.
static bool CheckLinks(const HelpFile& file, const std::wstring& line, int number,
                       HelpFault* fault) {
    for (size_t i = 0; i < line.size(); i++) {
        if (line[i] != L'~')
            continue;
        if (i + 1 < line.size() && line[i + 1] == L'~') {
            i++;
            continue;
        }
        size_t close = i + 1;
        while (close < line.size() && (line[close] != L'~' || (close + 1 < line.size() &&
                                                               line[close + 1] == L'~')))
            close += line[close] == L'~' ? 2 : 1;
        size_t end = close + 1 < line.size() && line[close + 1] == L'@'
                         ? line.find(L'@', close + 2)
                         : std::wstring::npos;
        if (end == std::wstring::npos)
            return Fault(fault, number,
                         "a link that does not end on its line in @Topic@ (a \"~\" of the "
                         "text is written \"~~\")");
        std::wstring target = line.substr(close + 2, end - close - 2);
        if (IsTopicHere(target) && FindHelpTopic(file, target) < 0)
            return Fault(fault, number, "a link to a missing topic: " + Utf8Text(target));
        i = end;
    }
    return true;
}

bool ParseHelpBytes(const std::string& bytes, PluginInterface reader, UINT oemCodePage,
                    HelpFile* file, HelpFault* fault) {
    file->Language.clear();
    file->Topics.clear();
    file->Aliases.clear();
    *fault = HelpFault{0, std::string()};
    std::vector<std::wstring> lines;
    // The language first, from whatever the file could be read as, so the
    // file is chosen as the host chooses it even when it is refused.
    bool decoded = DecodeHelp(bytes, reader, oemCodePage, &lines, fault);
    if (!decoded) {
        HelpFault lenient;
        DecodeHelp(bytes, Interface1, oemCodePage, &lines, &lenient);
    }
    for (size_t i = 0; i < lines.size(); i++) {
        const std::wstring& line = lines[i];
        int number = (int)i + 1;
        if (IsTopicLine(line)) {
            std::wstring name = TrimRight(line.substr(1));
            size_t equals = name.find(L'=');
            if (file->Topics.empty() && equals != std::wstring::npos) {
                file->Aliases.push_back(
                    HelpAlias{Trim(name.substr(0, equals)), Trim(name.substr(equals + 1))});
                continue;
            }
            if (!decoded)
                return false;
            if (file->Language.empty())
                return Fault(fault, number, "no .Language= line before the first topic");
            if (FindHelpTopic(*file, name) >= 0)
                return Fault(fault, number, "topic " + Utf8Text(name) + " a second time");
            file->Topics.push_back(HelpTopic{name, number, {}});
        } else if (!file->Topics.empty()) {
            file->Topics.back().Lines.push_back(line);
        } else if (file->Language.empty() &&
                   line.compare(0, LanguageDirectiveLength, LanguageDirective) == 0) {
            std::wstring value = line.substr(LanguageDirectiveLength);
            file->Language = Utf8Text(Trim(value.substr(0, value.find(L','))));
        }
    }
    if (!decoded)
        return false;
    if (file->Language.empty())
        return Fault(fault, 0, "no .Language= line before the first topic");
    if (file->Topics.empty())
        return Fault(fault, 0, "no topics");
    for (size_t i = 0; i < file->Aliases.size(); i++)
        if (FindHelpTopic(*file, file->Aliases[i].Name) < 0)
            return Fault(fault, 0,
                         "alias " + Utf8Text(file->Aliases[i].Name) +
                             " for a missing topic: " + Utf8Text(file->Aliases[i].Topic));
    for (size_t t = 0; t < file->Topics.size(); t++) {
        const HelpTopic& topic = file->Topics[t];
        for (size_t i = 0; i < topic.Lines.size(); i++)
            if (!CheckLinks(*file, topic.Lines[i], topic.Line + 1 + (int)i, fault))
                return false;
    }
    return true;
}

int ChooseHelpFile(const std::vector<HelpFile>& files, const std::string& wanted) {
    int english = -1, last = -1;
    for (size_t i = 0; i < files.size(); i++) {
        if (files[i].Language.empty())
            continue;
        if (SameName(files[i].Language, wanted))
            return (int)i;
        if (english < 0 && SameName(files[i].Language, FallbackLanguage))
            english = (int)i;
        last = (int)i;
    }
    return english >= 0 ? english : last;
}

HelpLoad LoadHelp(const std::string& folder, const std::string& wanted, PluginInterface reader,
                  UINT oemCodePage, HelpFile* chosen, HelpFault* fault) {
    std::vector<HelpFile> files;
    std::vector<HelpFault> faults;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*.hlf").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            HelpFile file;
            file.Path = folder + "\\" + found.cFileName;
            HelpFault refusal = {0, std::string()};
            std::string bytes;
            if (ReadWholeFile(file.Path.c_str(), &bytes, &refusal.Text))
                ParseHelpBytes(bytes, reader, oemCodePage, &file, &refusal);
            files.push_back(file);
            faults.push_back(refusal);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    if (files.empty()) {
        chosen->Path = folder + "\\*.hlf";
        *fault = HelpFault{0, "Cannot open the file"};
        return HelpFilesMissing;
    }
    // When no file names its language, the last one's refusal says so.
    int index = ChooseHelpFile(files, wanted);
    if (index < 0)
        index = (int)files.size() - 1;
    *chosen = files[index];
    *fault = faults[index];
    return fault->Text.empty() ? HelpLoaded : HelpRefused;
}

// The line with the host's markup taken out: "#" marks highlighted text,
// "~text~@Topic@" a link, and a doubled "#", "~" or "@" stands for itself.
static std::wstring PlainText(const std::wstring& line) {
    std::wstring text;
    bool inLink = false;
    for (size_t i = 0; i < line.size(); i++) {
        wchar_t c = line[i];
        bool doubled = i + 1 < line.size() && line[i + 1] == c;
        if ((c == L'#' || c == L'~' || c == L'@') && doubled) {
            text += c;
            i++;
        } else if (c == L'~' && inLink) {
            inLink = false;
            if (i + 1 < line.size() && line[i + 1] == L'@') {
                size_t end = line.find(L'@', i + 2);
                i = end == std::wstring::npos ? line.size() : end;
            }
        } else if (c == L'~') {
            inLink = true;
        } else if (c != L'#') {
            text += c;
        }
    }
    return text;
}

// A paragraph broken at blanks into lines of at most width cells (a word
// longer than that is cut), centred when asked.
static void Wrap(const std::wstring& paragraph, int width, bool centred,
                 std::vector<std::wstring>* lines) {
    std::wstring rest = paragraph;
    do {
        std::wstring line = CutToCells(rest, width);
        // A character wider than the whole width still takes a line.
        if (line.empty())
            line = rest.substr(0, 1);
        if (line.size() < rest.size()) {
            size_t blank = line.find_last_of(L' ');
            if (blank != std::wstring::npos && blank > 0 &&
                line.find_first_not_of(L' ') < blank)
                line.resize(blank);
        }
        size_t next = rest.find_first_not_of(L' ', line.size());
        rest.erase(0, next == std::wstring::npos ? rest.size() : next);
        line = TrimRight(line);
        int indent = centred ? (width - TextCells(line)) / 2 : 0;
        if (indent > 0)
            line.insert(0, indent, L' ');
        lines->push_back(line);
    } while (!rest.empty());
}

void FormatHelpTopic(const HelpTopic& topic, int width, std::wstring* title,
                     std::vector<std::wstring>* lines) {
    lines->clear();
    title->clear();
    size_t i = 0;
    // The header lines: the first is the title, any others stand above the text.
    for (; i < topic.Lines.size() && topic.Lines[i].compare(0, 1, L"$") == 0; i++) {
        std::wstring text = Trim(PlainText(topic.Lines[i].substr(1)));
        if (!text.empty() && text[0] == L'^')
            text.erase(0, 1);
        if (i == 0)
            *title = text;
        else
            lines->push_back(text);
    }
    if (title->empty())
        *title = topic.Name;

    // The host's layout: a line at column 1 goes on with the paragraph, one
    // indented starts a new one, an empty line ends it. "@-" turns that off
    // until "@+", each line then standing alone.
    std::wstring paragraph;
    bool open = false, centred = false, formatting = true;
    for (; i <= topic.Lines.size(); i++) {
        std::wstring line = i < topic.Lines.size() ? TrimRight(topic.Lines[i]) : std::wstring();
        bool directive = line.size() >= 2 && line[0] == L'@' &&
                         (line[1] == L'-' || line[1] == L'+' || line[1] == L'=');
        bool joins = formatting && open && !line.empty() && !directive && line[0] != L' ' &&
                     line[0] != L'\t';
        if (joins) {
            paragraph += L" " + PlainText(line);
            continue;
        }
        if (open)
            Wrap(paragraph, width, centred, lines);
        open = false;
        if (i == topic.Lines.size())
            break;
        if (directive) {
            if (line[1] != L'=')
                formatting = line[1] == L'+';
        } else if (line.empty()) {
            lines->push_back(line);
        } else {
            // A "^" that starts a paragraph centres it.
            centred = line[0] == L'^';
            paragraph = PlainText(line.substr(centred ? 1 : 0));
            open = true;
        }
    }
    while (!lines->empty() && lines->back().empty())
        lines->pop_back();
}
