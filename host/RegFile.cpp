// The registry editor's text format, read without touching the registry.
#include <string.h>

#include "PlugHost.h"

static const char HeaderVersion5[] = "Windows Registry Editor Version 5.00";
static const char HeaderVersion4[] = "REGEDIT4";

const char* const RegHiveNames[RegHives] = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"};

static bool Fail(RegError* error, int line, const std::string& text) {
    error->Line = line;
    error->Text = text;
    return false;
}

static bool ToWide(UINT codePage, DWORD flags, const std::string& in, std::wstring* out) {
    out->clear();
    if (in.empty())
        return true;
    int length = MultiByteToWideChar(codePage, flags, in.data(), (int)in.size(), NULL, 0);
    if (length <= 0)
        return false;
    out->resize(length);
    return MultiByteToWideChar(codePage, flags, in.data(), (int)in.size(), &(*out)[0], length) ==
           length;
}

// Fails on a lone surrogate rather than storing a replacement character.
static bool ToUtf8(const WCHAR* in, int count, std::string* out) {
    out->clear();
    if (count == 0)
        return true;
    const DWORD flags = WC_ERR_INVALID_CHARS;
    int length = WideCharToMultiByte(CP_UTF8, flags, in, count, NULL, 0, NULL, NULL);
    if (length <= 0)
        return false;
    out->resize(length);
    return WideCharToMultiByte(CP_UTF8, flags, in, count, &(*out)[0], length, NULL, NULL) ==
           length;
}

static void SplitLines(const std::string& text, std::vector<std::string>* lines) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        size_t stop = end;
        if (stop > start && text[stop - 1] == '\r')
            stop--;
        lines->push_back(text.substr(start, stop - start));
        start = end + 1;
    }
}

static bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

static std::string Trim(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first]))
        first++;
    while (last > first && IsBlank(text[last - 1]))
        last--;
    return text.substr(first, last - first);
}

static bool StartsWithName(const std::string& text, size_t pos, const char* prefix) {
    std::string wanted(prefix);
    return text.size() - pos >= wanted.size() && SameName(text.substr(pos, wanted.size()), wanted);
}

static int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool DecodeRegBytes(const std::string& bytes, std::string* utf8, RegError* error) {
    if (bytes.size() >= 2 && (unsigned char)bytes[0] == 0xFF && (unsigned char)bytes[1] == 0xFE) {
        if (bytes.size() % 2 != 0)
            return Fail(error, 0, "the file is marked UTF-16 but has an odd number of bytes");
        std::wstring wide((bytes.size() - 2) / 2, L'\0');
        if (!wide.empty())
            memcpy(&wide[0], bytes.data() + 2, wide.size() * sizeof(WCHAR));
        if (!ToUtf8(wide.data(), (int)wide.size(), utf8))
            return Fail(error, 0, "the file is marked UTF-16 but is not");
        return true;
    }
    std::string text = bytes;
    if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    std::wstring wide;
    // The header may follow blank lines, as ParseRegText allows.
    size_t header = text.find_first_not_of(" \t\r\n");
    if (header != std::string::npos &&
        text.compare(header, sizeof(HeaderVersion4) - 1, HeaderVersion4) == 0) {
        // The old format is text in the ANSI code page.
        if (!ToWide(CP_ACP, 0, text, &wide) || !ToUtf8(wide.data(), (int)wide.size(), utf8))
            return Fail(error, 0, "the file's text cannot be read in the ANSI code page");
        return true;
    }
    if (!ToWide(CP_UTF8, MB_ERR_INVALID_CHARS, text, &wide)) {
        std::vector<std::string> lines;
        SplitLines(text, &lines);
        for (size_t i = 0; i < lines.size(); i++)
            if (!ToWide(CP_UTF8, MB_ERR_INVALID_CHARS, lines[i], &wide))
                return Fail(error, (int)i + 1, "not UTF-8 text");
        return Fail(error, 0, "not UTF-8 text");
    }
    *utf8 = text;
    return true;
}

// A quoted string from text[*pos], which is the opening quote, with \\ and \"
// unescaped; *pos ends just after the closing quote.
static bool ReadQuoted(const std::string& text, size_t* pos, std::string* out,
                       std::string* fault) {
    out->clear();
    for (size_t i = *pos + 1; i < text.size(); i++) {
        char c = text[i];
        if (c == '"') {
            *pos = i + 1;
            return true;
        }
        if (c == '\\') {
            if (i + 1 == text.size())
                break;
            char next = text[++i];
            if (next != '\\' && next != '"') {
                *fault = std::string("unknown escape \\") + next + " (only \\\\ and \\\" are known)";
                return false;
            }
            c = next;
        }
        *out += c;
    }
    *fault = "the closing quote is missing";
    return false;
}

static size_t SkipBlanks(const std::string& text, size_t pos) {
    while (pos < text.size() && IsBlank(text[pos]))
        pos++;
    return pos;
}

// Where a run of hex bytes stands between physical lines.
struct HexState {
    bool Started;     // a byte has been read
    bool AfterComma;  // the last thing read was a comma
};

// Comma-separated bytes of one to two hex digits from text[pos]; *more is set
// when the line ends with a backslash, so that the next line goes on.
static bool ReadHexBytes(const std::string& text, size_t pos, HexState* state, std::string* data,
                         bool* more, std::string* fault) {
    *more = false;
    for (;;) {
        pos = SkipBlanks(text, pos);
        if (pos == text.size()) {
            if (state->AfterComma) {
                *fault = "a byte is missing after the last comma";
                return false;
            }
            return true;
        }
        if (text[pos] == '\\') {
            if (SkipBlanks(text, pos + 1) != text.size()) {
                *fault = "text after the backslash that continues the line";
                return false;
            }
            *more = true;
            return true;
        }
        if (state->Started && !state->AfterComma) {
            if (text[pos] != ',') {
                *fault = "bytes must be separated by commas";
                return false;
            }
            state->AfterComma = true;
            pos++;
            continue;
        }
        int high = HexDigit(text[pos]);
        if (high < 0) {
            *fault = std::string("'") + text[pos] + "' is not a hex digit";
            return false;
        }
        int value = high;
        pos++;
        if (pos < text.size() && HexDigit(text[pos]) >= 0)
            value = value * 16 + HexDigit(text[pos++]);
        if (pos < text.size() && HexDigit(text[pos]) >= 0) {
            *fault = "a byte has more than two hex digits";
            return false;
        }
        *data += (char)value;
        state->Started = true;
        state->AfterComma = false;
    }
}

// Hex digits from text[*pos] up to the first other character, as a number
// of at most 32 bits.
static bool ReadHexNumber(const std::string& text, size_t* pos, DWORD* value) {
    size_t start = *pos;
    *value = 0;
    while (*pos < text.size() && HexDigit(text[*pos]) >= 0 && *pos - start < 8)
        *value = *value * 16 + HexDigit(text[(*pos)++]);
    return *pos > start && (*pos == text.size() || HexDigit(text[*pos]) < 0);
}

// The root a section names, and the key below it.
static bool KeyBelowRoot(const std::string& path, RegHive* hive, std::string* below) {
    for (int each = 0; each < RegHives; each++) {
        size_t rootLength = strlen(RegHiveNames[each]);
        if (!StartsWithName(path, 0, RegHiveNames[each]) ||
            (path.size() > rootLength && path[rootLength] != '\\'))
            continue;
        *hive = (RegHive)each;
        below->clear();
        if (path.size() > rootLength)
            *below = path.substr(rootLength + 1);
        while (!below->empty() && (*below)[below->size() - 1] == '\\')
            below->erase(below->size() - 1);
        return true;
    }
    return false;
}

// The data after "name=" on lines[*index], and on the lines it continues to.
static bool ReadValueData(const std::vector<std::string>& lines, size_t* index,
                          const std::string& text, size_t pos, RegAction* action,
                          RegError* error) {
    int number = (int)*index + 1;
    std::string fault;
    if (text.compare(pos, std::string::npos, "-") == 0) {
        action->Kind = RemoveValueStep;
        return true;
    }
    if (text[pos] == '"') {
        if (!ReadQuoted(text, &pos, &action->Data, &fault))
            return Fail(error, number, fault);
        if (SkipBlanks(text, pos) != text.size())
            return Fail(error, number, "text after the closing quote");
        action->Type = REG_SZ;
        action->IsText = true;
        return true;
    }
    if (StartsWithName(text, pos, "dword:")) {
        pos += 6;
        DWORD value;
        if (!ReadHexNumber(text, &pos, &value) || SkipBlanks(text, pos) != text.size())
            return Fail(error, number, "a dword needs one to eight hex digits");
        action->Type = REG_DWORD;
        action->Data.assign((const char*)&value, sizeof(value));
        return true;
    }
    if (StartsWithName(text, pos, "hex:")) {
        action->Type = REG_BINARY;
        pos += 4;
    } else if (StartsWithName(text, pos, "hex(")) {
        pos += 4;
        if (!ReadHexNumber(text, &pos, &action->Type) || text.compare(pos, 2, "):") != 0)
            return Fail(error, number, "hex(N): needs the value's type N in hex digits");
        pos += 2;
    } else {
        return Fail(error, number,
                    "the data is none of \"text\", dword:, hex:, hex(N): or - (remove)");
    }
    HexState state = {false, false};
    std::string line = text;
    for (;;) {
        bool more;
        if (!ReadHexBytes(line, pos, &state, &action->Data, &more, &fault))
            return Fail(error, (int)*index + 1, fault);
        if (!more)
            return true;
        if (*index + 1 == lines.size())
            return Fail(error, (int)*index + 1, "the value goes on past the end of the file");
        line = Trim(lines[++*index]);
        pos = 0;
    }
}

bool ParseRegText(const std::string& utf8, RegScript* script, RegError* error) {
    script->Actions.clear();
    std::vector<std::string> lines;
    SplitLines(utf8, &lines);
    size_t index = 0;
    while (index < lines.size() && Trim(lines[index]).empty())
        index++;
    if (index == lines.size())
        return Fail(error, 0, "the file is empty");
    std::string header = Trim(lines[index]);
    RegScript result;
    if (header == HeaderVersion5)
        result.WideHexStrings = true;
    else if (header == HeaderVersion4)
        result.WideHexStrings = false;
    else
        return Fail(error, (int)index + 1,
                    std::string("the first line must be \"") + HeaderVersion5 + "\" or \"" +
                        HeaderVersion4 + "\"");

    bool inKey = false, removingKey = false;
    RegHive hive = MachineHive;
    std::string key;
    for (index++; index < lines.size(); index++) {
        std::string line = Trim(lines[index]);
        int number = (int)index + 1;
        if (line.empty() || line[0] == ';')
            continue;
        RegAction action;
        action.Hive = hive;
        action.Type = REG_NONE;
        action.IsText = false;
        action.Line = number;
        if (line[0] == '[') {
            if (line[line.size() - 1] != ']')
                return Fail(error, number, "a key line must end with ]");
            std::string path = line.substr(1, line.size() - 2);
            removingKey = !path.empty() && path[0] == '-';
            if (removingKey)
                path.erase(0, 1);
            if (!KeyBelowRoot(path, &hive, &key))
                return Fail(error, number,
                            std::string("only keys under ") + RegHiveNames[MachineHive] + " or " +
                                RegHiveNames[UserHive] + " can be imported, not " + path);
            action.Kind = removingKey ? RemoveKeyStep : AddKeyStep;
            action.Hive = hive;
            action.Key = key;
            result.Actions.push_back(action);
            inKey = true;
            continue;
        }
        if (line[0] != '"' && line[0] != '@')
            return Fail(error, number, "neither a [key], a \"value\"= nor a comment");
        if (!inKey)
            return Fail(error, number, "a value before the first [key] line");
        if (removingKey)
            return Fail(error, number, "a value under a key that is being removed");
        action.Kind = SetValueStep;
        action.Key = key;
        size_t pos = 1;
        if (line[0] == '"') {
            std::string fault;
            pos = 0;
            if (!ReadQuoted(line, &pos, &action.Name, &fault))
                return Fail(error, number, fault);
        }
        pos = SkipBlanks(line, pos);
        if (pos == line.size() || line[pos] != '=')
            return Fail(error, number, "the value's name must be followed by =");
        pos = SkipBlanks(line, pos + 1);
        if (pos == line.size())
            return Fail(error, number, "the value has no data after =");
        if (!ReadValueData(lines, &index, line, pos, &action, error))
            return false;
        result.Actions.push_back(action);
    }
    *script = result;
    return true;
}
