#include "resource_check.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <tuple>
#include <type_traits>
#include <utility>

#include "about_text.h"

namespace zentrail::res_check {
namespace {

const WORD kUsEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
    return text;
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out + "\"";
}

template <typename T>
void Expect(Differences& out, const std::string& what, const T& actual, const T& expected) {
    if (actual == expected) return;
    if constexpr (std::is_same_v<T, std::string>) {
        out.push_back(what + " is " + Quoted(actual) + ", expected " + Quoted(expected));
    } else {
        out.push_back(what + " is " + std::to_string(actual) + ", expected " +
                      std::to_string(expected));
    }
}

void ExpectHex(Differences& out, const std::string& what, std::uint32_t actual,
               std::uint32_t expected) {
    if (actual != expected) {
        out.push_back(what + " is " + Hex(actual) + ", expected " + Hex(expected));
    }
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Reads little-endian fields from resource bytes, never past their end.
class Reader {
  public:
    explicit Reader(Bytes bytes) : bytes_(bytes) {}

    bool ok() const { return ok_; }
    std::size_t pos() const { return pos_; }

    std::uint16_t U16() {
        if (!Need(2)) return 0;
        const auto v = static_cast<std::uint16_t>(bytes_.data[pos_] | bytes_.data[pos_ + 1] << 8);
        pos_ += 2;
        return v;
    }
    std::uint32_t U32() {
        const std::uint32_t low = U16();
        return low | static_cast<std::uint32_t>(U16()) << 16;
    }
    std::int16_t I16() { return static_cast<std::int16_t>(U16()); }

    // Items of a template start on 32-bit boundaries of the resource data.
    void AlignTo4() {
        const std::size_t aligned = (pos_ + 3) & ~static_cast<std::size_t>(3);
        if (aligned > bytes_.size) {
            ok_ = false;
        } else {
            pos_ = aligned;
        }
    }
    void Skip(std::size_t n) {
        if (Need(n)) pos_ += n;
    }

    // A NUL-terminated UTF-16 text whose first unit was already read.
    std::string RestOfText(std::uint16_t first) {
        std::string out;
        for (std::uint16_t unit = first; ok_ && unit != 0; unit = U16()) out += Narrow(unit);
        return out;
    }
    std::string Text() { return RestOfText(U16()); }

    // A name-or-ordinal field: 0 for none, 0xFFFF and an ordinal, or a text.
    std::string NameOrOrdinal() {
        const std::uint16_t first = U16();
        if (first == 0) return "";
        if (first == 0xFFFF) return "#" + std::to_string(U16());
        return RestOfText(first);
    }

  private:
    static std::string Narrow(std::uint16_t unit) {
        if (unit < 0x80) return std::string(1, static_cast<char>(unit));
        char text[8];
        std::snprintf(text, sizeof text, "\\u%04X", unit);
        return text;
    }
    bool Need(std::size_t n) {
        if (!ok_ || bytes_.size - pos_ < n) ok_ = false;
        return ok_;
    }

    Bytes bytes_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

std::string PredefinedClass(const std::string& name) {
    static const std::map<std::string, std::string> kByOrdinal = {
        {"#128", "Button"},  {"#129", "Edit"},      {"#130", "Static"},
        {"#131", "ListBox"}, {"#132", "ScrollBar"}, {"#133", "ComboBox"}};
    const auto found = kByOrdinal.find(name);
    return found == kByOrdinal.end() ? name : found->second;
}

DialogItem Item(std::uint16_t id, const char* windowClass, const char* text, std::uint32_t style,
                std::int16_t x, std::int16_t y, std::int16_t cx, std::int16_t cy) {
    DialogItem item;
    item.id = id;
    item.windowClass = windowClass;
    item.text = text;
    item.style = style;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    return item;
}

const std::uint16_t kNoId = 0xFFFF;  // -1 as the template's 16-bit id

}  // namespace

Bytes FindUsEnglish(HMODULE module, LPCSTR type, int id) {
    HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(id), kUsEnglish);
    if (found == nullptr) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded == nullptr ? nullptr : LockResource(loaded);
    if (data == nullptr) return {};
    return {static_cast<const std::uint8_t*>(data), SizeofResource(module, found)};
}

// --- Dialog templates --------------------------------------------------------

bool ParseDialogTemplate(Bytes bytes, DialogTemplate& out, std::string& error) {
    Reader in(bytes);
    out = DialogTemplate{};
    out.style = in.U32();
    out.exStyle = in.U32();
    if (in.ok() && (out.style & 0xFFFF0000u) == 0xFFFF0000u) {
        error = "an extended template (DLGTEMPLATEEX), not a standard one";
        return false;
    }
    const std::uint16_t count = in.U16();
    out.x = in.I16();
    out.y = in.I16();
    out.cx = in.I16();
    out.cy = in.I16();
    out.menu = in.NameOrOrdinal();
    out.windowClass = in.NameOrOrdinal();
    out.title = in.Text();
    if (out.style & DS_SETFONT) {
        out.pointSize = in.U16();
        out.font = in.Text();
    }
    for (std::uint16_t i = 0; i < count && in.ok(); ++i) {
        in.AlignTo4();
        DialogItem item;
        item.offset = in.pos();
        item.style = in.U32();
        item.exStyle = in.U32();
        item.x = in.I16();
        item.y = in.I16();
        item.cx = in.I16();
        item.cy = in.I16();
        item.id = in.U16();
        item.windowClass = PredefinedClass(in.NameOrOrdinal());
        item.text = in.NameOrOrdinal();
        item.creationDataSize = in.U16();
        in.Skip(item.creationDataSize);
        out.items.push_back(item);
    }
    if (!in.ok()) {
        error = "the template ends early, at byte " + std::to_string(bytes.size);
        return false;
    }
    return true;
}

Differences CompareDialog(const DialogTemplate& expected, const DialogTemplate& actual) {
    Differences out;
    ExpectHex(out, "style", actual.style, expected.style);
    ExpectHex(out, "extended style", actual.exStyle, expected.exStyle);
    Expect<int>(out, "x", actual.x, expected.x);
    Expect<int>(out, "y", actual.y, expected.y);
    Expect<int>(out, "width", actual.cx, expected.cx);
    Expect<int>(out, "height", actual.cy, expected.cy);
    Expect(out, "menu", actual.menu, expected.menu);
    Expect(out, "class", actual.windowClass, expected.windowClass);
    Expect(out, "caption", actual.title, expected.title);
    Expect<int>(out, "font size", actual.pointSize, expected.pointSize);
    Expect(out, "font", actual.font, expected.font);
    Expect(out, "number of controls", actual.items.size(), expected.items.size());
    const std::size_t n = std::min(actual.items.size(), expected.items.size());
    for (std::size_t i = 0; i < n; ++i) {
        const DialogItem& a = actual.items[i];
        const DialogItem& e = expected.items[i];
        const std::string at =
            "control " + std::to_string(i) + " (id " + std::to_string(e.id) + "): ";
        Expect<int>(out, at + "id", a.id, e.id);
        if (!SameIgnoringCase(a.windowClass, e.windowClass)) {
            out.push_back(at + "class is " + Quoted(a.windowClass) + ", expected " +
                          Quoted(e.windowClass));
        }
        Expect(out, at + "text", a.text, e.text);
        ExpectHex(out, at + "style", a.style, e.style);
        ExpectHex(out, at + "extended style", a.exStyle, e.exStyle);
        Expect<int>(out, at + "x", a.x, e.x);
        Expect<int>(out, at + "y", a.y, e.y);
        Expect<int>(out, at + "width", a.cx, e.cx);
        Expect<int>(out, at + "height", a.cy, e.cy);
        Expect<int>(out, at + "creation data size", a.creationDataSize, e.creationDataSize);
    }
    return out;
}

DialogTemplate ExpectedMainDialog() {
    const std::uint32_t edit = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
    const std::uint32_t push = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
    const std::uint32_t group = WS_CHILD | WS_VISIBLE | BS_GROUPBOX;
    DialogTemplate t;
    t.style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_SETFONT;
    t.cx = 187;
    t.cy = 143;
    t.title = "Zentrail2";
    t.pointSize = 8;
    t.font = "MS Sans Serif";
    t.items = {
        Item(1001, "Edit", "", edit, 20, 20, 85, 15),
        Item(1000, "Edit", "", edit, 20, 65, 85, 15),
        Item(1002, "Edit", "", edit, 20, 110, 85, 15),
        Item(1, "Button", "Copy", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 125, 110,
             50, 14),
        Item(57664, "Button", "&About...", push, 125, 75, 50, 14),
        Item(2, "Button", "Close", push, 125, 30, 50, 14),
        Item(kNoId, "Button", "Your necessary tag", group, 10, 5, 105, 40),
        Item(kNoId, "Button", "Original name", group, 10, 50, 105, 40),
        Item(kNoId, "Button", "Twitter hash tag", group, 10, 95, 105, 40),
        Item(kNoId, "Button", "Copy to Clipboard", group, 115, 95, 65, 40),
    };
    return t;
}

DialogTemplate ExpectedAboutDialog() {
    const std::uint32_t text = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;
    const std::uint32_t icon = WS_CHILD | WS_VISIBLE | SS_ICON;
    DialogTemplate t;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    t.cx = 187;
    t.cy = 102;
    t.title = "About";
    t.pointSize = 8;
    t.font = "MS Sans Serif";
    t.items = {
        Item(1, "Button", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 125, 76, 50,
             14),
        Item(1030, "Static", "Zentrail Version 1.0\nCopyright (C) 2011",
             WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER, 5, 65, 115, 27),
        Item(kNoId, "Static", "#128", icon, 5, 0, 20, 20),
        Item(kNoId, "Static", "#202", icon, 30, 0, 20, 20),
        Item(1031, "Static", "Static", text, 0, 30, 180, 8),
        Item(1032, "Static", "Static", text, 0, 40, 180, 8),
        Item(1033, "Static", "Static", text, 0, 50, 180, 8),
        Item(kNoId, "Static", "I'm looking for new icons...", text, 60, 5, 100, 15),
    };
    return t;
}

Differences CheckDialogBytes(Bytes bytes, const DialogTemplate& expected) {
    DialogTemplate actual;
    std::string error;
    if (!ParseDialogTemplate(bytes, actual, error)) return {error};
    return CompareDialog(expected, actual);
}

Differences CheckDialogs(HMODULE module) {
    Differences out;
    const std::pair<int, DialogTemplate> dialogs[] = {{129, ExpectedMainDialog()},
                                                      {100, ExpectedAboutDialog()}};
    for (const auto& [id, expected] : dialogs) {
        const std::string at = "dialog " + std::to_string(id) + ": ";
        const Bytes bytes = FindUsEnglish(module, RT_DIALOG, id);
        if (bytes.data == nullptr) {
            out.push_back(at + "missing");
            continue;
        }
        for (const std::string& d : CheckDialogBytes(bytes, expected)) out.push_back(at + d);
    }
    return out;
}

// --- Icons -----------------------------------------------------------------------

Differences CheckIconImage(Bytes bytes, int size, int bits) {
    Differences out;
    BITMAPINFOHEADER header;
    if (bytes.size < sizeof header) return {"shorter than a BITMAPINFOHEADER"};
    std::memcpy(&header, bytes.data, sizeof header);
    Expect<long>(out, "biSize", header.biSize, 40);
    Expect<long>(out, "biWidth", header.biWidth, size);
    Expect<long>(out, "biHeight (colour bitmap and mask)", header.biHeight, 2 * size);
    Expect<int>(out, "biPlanes", header.biPlanes, 1);
    Expect<int>(out, "biBitCount", header.biBitCount, bits);
    Expect<long>(out, "biCompression", header.biCompression, BI_RGB);
    if (!out.empty()) return out;

    const std::size_t colours = header.biClrUsed != 0 ? header.biClrUsed : std::size_t{1} << bits;
    if (colours > (std::size_t{1} << bits)) return {"biClrUsed beyond the bit depth"};
    const std::size_t colourRow = (static_cast<std::size_t>(size) * bits + 31) / 32 * 4;
    const std::size_t maskRow = (static_cast<std::size_t>(size) + 31) / 32 * 4;
    const std::size_t paletteAt = header.biSize;
    const std::size_t colourAt = paletteAt + 4 * colours;
    const std::size_t maskAt = colourAt + colourRow * size;
    const std::size_t end = maskAt + maskRow * size;
    Expect(out, "image size", bytes.size, end);
    if (bytes.size < end) return out;

    // Rows are stored bottom up; only counting, so the order does not matter.
    int transparent = 0;
    int opaque = 0;
    for (int row = 0; row < size; ++row) {
        for (int col = 0; col < size; ++col) {
            const std::uint8_t maskByte = bytes.data[maskAt + row * maskRow + col / 8];
            if ((maskByte >> (7 - col % 8) & 1) == 0) {
                ++opaque;
                continue;
            }
            ++transparent;
            const std::size_t bit = static_cast<std::size_t>(col) * bits;
            const std::uint8_t packed = bytes.data[colourAt + row * colourRow + bit / 8];
            const unsigned index = (packed >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
            const std::uint8_t* rgbq = bytes.data + paletteAt + 4 * index;
            if (index >= colours || rgbq[0] != 0 || rgbq[1] != 0 || rgbq[2] != 0) {
                out.push_back("transparent pixel " + std::to_string(col) + "," +
                              std::to_string(size - 1 - row) +
                              " is not black in the colour bitmap: it would change the "
                              "background");
                return out;
            }
        }
    }
    if (transparent == 0) out.push_back("no transparent pixel: the icon is a plain square");
    if (opaque == 0) out.push_back("no visible pixel");

    HICON icon =
        CreateIconFromResourceEx(const_cast<BYTE*>(bytes.data), static_cast<DWORD>(bytes.size),
                                 TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
    if (icon == nullptr) {
        out.push_back("the platform does not make an icon of it");
    } else {
        DestroyIcon(icon);
    }
    return out;
}

namespace {

struct IconImageSpec {
    int size;
    int bits;
    bool operator<(const IconImageSpec& o) const {
        return std::tie(size, bits) < std::tie(o.size, o.bits);
    }
    bool operator==(const IconImageSpec& o) const { return size == o.size && bits == o.bits; }
};

struct IconGroupSpec {
    int id;
    std::vector<IconImageSpec> images;
};

const IconGroupSpec kIconGroups[] = {
    {128, {{32, 4}, {16, 4}}},
    {202, {{32, 4}, {16, 4}, {32, 8}, {16, 8}}},
};

std::string Describe(const IconImageSpec& image) {
    return std::to_string(image.size) + "x" + std::to_string(image.size) + " " +
           std::to_string(1 << image.bits) + " colours";
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInRes;
    WORD id;
};
#pragma pack(pop)
static_assert(sizeof(GroupIconEntry) == 14, "GRPICONDIRENTRY is 14 bytes");

}  // namespace

Differences CheckIcons(HMODULE module) {
    Differences out;
    for (const IconGroupSpec& group : kIconGroups) {
        const std::string at = "icon " + std::to_string(group.id) + ": ";
        const Bytes dir = FindUsEnglish(module, RT_GROUP_ICON, group.id);
        if (dir.data == nullptr) {
            out.push_back(at + "missing");
            continue;
        }
        Reader in(dir);
        const std::uint16_t reserved = in.U16();
        const std::uint16_t type = in.U16();
        const std::uint16_t count = in.U16();
        if (!in.ok() || reserved != 0 || type != 1 || dir.size != 6u + 14u * count) {
            out.push_back(at + "not an icon directory");
            continue;
        }
        std::vector<IconImageSpec> found;
        for (std::uint16_t i = 0; i < count; ++i) {
            GroupIconEntry entry;
            std::memcpy(&entry, dir.data + 6 + 14 * i, sizeof entry);
            const IconImageSpec image{entry.width, entry.bitCount};
            found.push_back(image);
            const std::string entryAt = at + Describe(image) + ": ";
            Expect<int>(out, entryAt + "height", entry.height, entry.width);
            Expect<int>(out, entryAt + "colour count", entry.colourCount,
                        entry.bitCount < 8 ? 1 << entry.bitCount : 0);
            Expect<int>(out, entryAt + "planes", entry.planes, 1);
            const Bytes bits = FindUsEnglish(module, RT_ICON, entry.id);
            if (bits.data == nullptr) {
                out.push_back(entryAt + "image " + std::to_string(entry.id) + " missing");
                continue;
            }
            Expect<unsigned long>(out, entryAt + "size in the directory", entry.bytesInRes,
                                  bits.size);
            for (const std::string& d : CheckIconImage(bits, entry.width, entry.bitCount)) {
                out.push_back(entryAt + d);
            }
        }
        std::vector<IconImageSpec> expected = group.images;
        std::sort(found.begin(), found.end());
        std::sort(expected.begin(), expected.end());
        if (found != expected) {
            std::string list;
            for (const IconImageSpec& image : found) list += " [" + Describe(image) + "]";
            out.push_back(at + "images are" + list);
        }
    }
    return out;
}

// --- Version block ------------------------------------------------------------------

namespace {

const char* const kVersionStrings[][2] = {
    {"FileDescription", "Zentrail Module"},
    {"FileVersion", "2, 0, 0, 1"},
    {"InternalName", "Zentrail2"},
    {"LegalCopyright", ZENTRAIL_COPYRIGHT_LINE},
    {"OriginalFilename", "Zentrail.exe"},
    {"ProductName", "Zentrail Module"},
    {"ProductVersion", "2, 0, 0, 1"},
};

const std::uint32_t kVersionMS = 0x00020000;  // 2.0
const std::uint32_t kVersionLS = 0x00000001;  // 0.1

void CheckFixedInfo(Differences& out, const std::string& at, const VS_FIXEDFILEINFO& info) {
    ExpectHex(out, at + "signature", info.dwSignature, VS_FFI_SIGNATURE);
    ExpectHex(out, at + "file version (high)", info.dwFileVersionMS, kVersionMS);
    ExpectHex(out, at + "file version (low)", info.dwFileVersionLS, kVersionLS);
    ExpectHex(out, at + "product version (high)", info.dwProductVersionMS, kVersionMS);
    ExpectHex(out, at + "product version (low)", info.dwProductVersionLS, kVersionLS);
    ExpectHex(out, at + "flags (debug, prerelease, ...)", info.dwFileFlags & info.dwFileFlagsMask,
              0);
    ExpectHex(out, at + "file type", info.dwFileType, VFT_APP);
}

}  // namespace

Differences CheckVersionBytes(Bytes bytes) {
    // wLength, wValueLength, wType, L"VS_VERSION_INFO" and its NUL, padding to
    // 4 bytes: the fixed part starts at 40.
    const std::size_t kFixedAt = 40;
    if (bytes.size < kFixedAt + sizeof(VS_FIXEDFILEINFO)) return {"shorter than its fixed part"};
    Differences out;
    Reader in(bytes);
    Expect<int>(out, "total length", in.U16(), static_cast<int>(bytes.size));
    Expect<int>(out, "value length", in.U16(), static_cast<int>(sizeof(VS_FIXEDFILEINFO)));
    Expect<int>(out, "value type", in.U16(), 0);
    Expect(out, "key", in.Text(), std::string("VS_VERSION_INFO"));
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, bytes.data + kFixedAt, sizeof info);
    CheckFixedInfo(out, "at offset 40: ", info);
    return out;
}

Differences CheckVersion(HMODULE module, const std::string& path) {
    Differences out;
    const Bytes bytes = FindUsEnglish(module, RT_VERSION, 1);
    if (bytes.data == nullptr) {
        out.push_back("version resource 1 (US English) missing");
    } else {
        for (const std::string& d : CheckVersionBytes(bytes)) out.push_back("resource: " + d);
    }

    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    std::vector<char> block(size);
    if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, block.data())) {
        out.push_back("the platform reads no version from " + path);
        return out;
    }
    void* value = nullptr;
    UINT length = 0;
    if (VerQueryValueA(block.data(), "\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
        CheckFixedInfo(out, "file: ", *static_cast<const VS_FIXEDFILEINFO*>(value));
    } else {
        out.push_back("file: no fixed version information");
    }
    if (VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length) &&
        length == 4) {
        const auto* pair = static_cast<const WORD*>(value);
        ExpectHex(out, "file: translation language", pair[0], 0x0409);
        Expect<int>(out, "file: translation code page", pair[1], 1200);
    } else {
        out.push_back("file: the translation is not one language and code page");
    }
    for (const auto& [key, expected] : kVersionStrings) {
        const std::string query = std::string("\\StringFileInfo\\040904b0\\") + key;
        if (!VerQueryValueA(block.data(), query.c_str(), &value, &length) || value == nullptr) {
            out.push_back(std::string("file: string ") + key + " missing");
            continue;
        }
        Expect(out, std::string("file: string ") + key,
               std::string(static_cast<const char*>(value)), std::string(expected));
    }
    return out;
}

// --- Manifest ------------------------------------------------------------------------

namespace {

using Attributes = std::map<std::string, std::string>;

// The attributes of the first element with the given name from position from
// on; false if there is none. Enough XML for a manifest: no entities.
bool FindElement(const std::string& text, const std::string& name, std::size_t from,
                 Attributes& attributes, std::size_t& end) {
    const std::string open = "<" + name;
    std::size_t at = text.find(open, from);
    while (at != std::string::npos) {
        const char next = at + open.size() < text.size() ? text[at + open.size()] : '\0';
        if (std::isspace(static_cast<unsigned char>(next)) || next == '/' || next == '>') break;
        at = text.find(open, at + 1);
    }
    if (at == std::string::npos) return false;
    end = text.find('>', at);
    if (end == std::string::npos) return false;
    attributes.clear();
    std::size_t pos = at + open.size();
    while (pos < end) {
        while (pos < end && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
        const std::size_t equals = text.find('=', pos);
        if (equals == std::string::npos || equals > end) break;
        const std::size_t quoteAt = text.find_first_of("\"'", equals);
        if (quoteAt == std::string::npos || quoteAt > end) break;
        const std::size_t closeAt = text.find(text[quoteAt], quoteAt + 1);
        if (closeAt == std::string::npos || closeAt > end) break;
        std::string key = text.substr(pos, equals - pos);
        key.erase(key.find_last_not_of(" \t\r\n") + 1);
        attributes[key] = text.substr(quoteAt + 1, closeAt - quoteAt - 1);
        pos = closeAt + 1;
    }
    return true;
}

void ExpectAttributes(Differences& out, const std::string& at, const Attributes& actual,
                      const Attributes& expected) {
    for (const auto& [key, value] : expected) {
        const auto found = actual.find(key);
        if (found == actual.end()) {
            out.push_back(at + key + " missing");
        } else {
            Expect(out, at + key, found->second, value);
        }
    }
}

}  // namespace

Differences CheckManifestText(const std::string& text) {
    Differences out;
    if (text.compare(0, 5, "<?xml") != 0) out.push_back("does not start with an XML declaration");

    Attributes attributes;
    std::size_t end = 0;
    if (!FindElement(text, "assembly", 0, attributes, end)) return {"no assembly element"};
    ExpectAttributes(out, "assembly ", attributes,
                     {{"xmlns", "urn:schemas-microsoft-com:asm.v1"}, {"manifestVersion", "1.0"}});

    // The program's own identity comes first, before any dependency.
    if (!FindElement(text, "assemblyIdentity", end, attributes, end)) {
        out.push_back("no identity of its own");
    } else {
        ExpectAttributes(
            out, "identity ", attributes,
            {{"type", "win32"}, {"name", "Zentrail"}, {"processorArchitecture", "x86"}});
        if (text.find("<dependency", 0) < end) out.push_back("identity after the dependencies");
    }

    const std::size_t descriptionAt = text.find("<description>");
    const std::size_t descriptionEnd = text.find("</description>");
    if (descriptionAt == std::string::npos || descriptionEnd == std::string::npos ||
        descriptionEnd < descriptionAt) {
        out.push_back("no description");
    } else {
        const std::size_t from = descriptionAt + std::strlen("<description>");
        Expect(out, "description", text.substr(from, descriptionEnd - from),
               std::string("Zentrail Application"));
    }

    const std::size_t dependent = text.find("<dependentAssembly>");
    if (dependent == std::string::npos ||
        !FindElement(text, "assemblyIdentity", dependent, attributes, end)) {
        out.push_back("no dependency on the common controls");
    } else {
        ExpectAttributes(out, "dependency ", attributes,
                         {{"type", "win32"},
                          {"name", "Microsoft.Windows.Common-Controls"},
                          {"version", "6.0.0.0"},
                          {"processorArchitecture", "x86"},
                          {"publicKeyToken", "6595b64144ccf1df"},
                          {"language", "*"}});
    }

    if (!FindElement(text, "requestedExecutionLevel", 0, attributes, end)) {
        out.push_back("no requested execution level");
    } else {
        ExpectAttributes(out, "execution level ", attributes,
                         {{"level", "asInvoker"}, {"uiAccess", "false"}});
    }
    if (!FindElement(text, "supportedOS", 0, attributes, end)) {
        out.push_back("no supported system named");
    }
    return out;
}

Differences CheckManifest(HMODULE module) {
    const Bytes bytes = FindUsEnglish(module, RT_MANIFEST, 1);
    if (bytes.data == nullptr) return {"manifest 1 (US English) missing"};
    Differences out;
    for (const std::string& d :
         CheckManifestText(std::string(reinterpret_cast<const char*>(bytes.data), bytes.size))) {
        out.push_back("manifest: " + d);
    }
    return out;
}

// --- The whole set --------------------------------------------------------------------

namespace {

struct Inventory {
    // type -> names, "#N" for ordinals
    std::map<std::string, std::vector<std::string>> names;
    std::vector<std::string> notUsEnglish;
};

std::string ResourceName(LPCSTR name) {
    if (IS_INTRESOURCE(name)) {
        return "#" + std::to_string(reinterpret_cast<std::uintptr_t>(name));
    }
    return name;
}

std::string Type(LPCSTR type) {
    static const std::map<std::uintptr_t, const char*> kNames = {{3, "RT_ICON"},
                                                                 {5, "RT_DIALOG"},
                                                                 {14, "RT_GROUP_ICON"},
                                                                 {16, "RT_VERSION"},
                                                                 {24, "RT_MANIFEST"}};
    if (IS_INTRESOURCE(type)) {
        const auto found = kNames.find(reinterpret_cast<std::uintptr_t>(type));
        if (found != kNames.end()) return found->second;
    }
    return ResourceName(type);
}

BOOL CALLBACK OnLanguage(HMODULE, LPCSTR type, LPCSTR name, WORD language, LONG_PTR context) {
    if (language != kUsEnglish) {
        char text[8];
        std::snprintf(text, sizeof text, "0x%04X", language);
        reinterpret_cast<Inventory*>(context)->notUsEnglish.push_back(
            Type(type) + " " + ResourceName(name) + " in language " + text);
    }
    return TRUE;
}

BOOL CALLBACK OnName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR context) {
    reinterpret_cast<Inventory*>(context)->names[Type(type)].push_back(ResourceName(name));
    EnumResourceLanguagesA(module, type, name, OnLanguage, context);
    return TRUE;
}

BOOL CALLBACK OnType(HMODULE module, LPSTR type, LONG_PTR context) {
    EnumResourceNamesA(module, type, OnName, context);
    return TRUE;
}

}  // namespace

Differences CheckInventory(HMODULE module) {
    Inventory inventory;
    EnumResourceTypesA(module, OnType, reinterpret_cast<LONG_PTR>(&inventory));
    Differences out;
    for (const std::string& resource : inventory.notUsEnglish) {
        out.push_back(resource + ", not US English");
    }
    auto& names = inventory.names;
    const auto sorted = [](std::vector<std::string> list) {
        std::sort(list.begin(), list.end());
        return list;
    };
    const std::map<std::string, std::vector<std::string>> expected = {
        {Type(RT_DIALOG), {"#100", "#129"}},
        {Type(RT_GROUP_ICON), {"#128", "#202"}},
        {Type(RT_VERSION), {"#1"}},
        {Type(RT_MANIFEST), {"#1"}},
    };
    for (const auto& [type, list] : expected) {
        const auto found = names.find(type);
        std::string actual;
        if (found != names.end()) {
            for (const std::string& name : sorted(found->second)) actual += " " + name;
        }
        std::string wanted;
        for (const std::string& name : list) wanted += " " + name;
        if (actual != wanted) {
            out.push_back(type + " resources are" + (actual.empty() ? " none" : actual) +
                          ", expected" + wanted);
        }
    }
    // Six icon images: two for icon 128, four for icon 202.
    Expect<std::size_t>(out, "number of icon images", names[Type(RT_ICON)].size(), 6);
    for (const auto& [type, list] : names) {
        if (expected.count(type) == 0 && type != Type(RT_ICON)) {
            out.push_back("unexpected " + type + " resources");
        }
    }
    return out;
}

Differences CheckAll(HMODULE module, const std::string& path) {
    Differences out;
    for (Differences part : {CheckInventory(module), CheckDialogs(module), CheckIcons(module),
                             CheckVersion(module, path), CheckManifest(module)}) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

}  // namespace zentrail::res_check
