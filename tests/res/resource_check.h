// Checks of Zentrail's resources as they sit in a built module: the running
// program's own image, or Zentrail.exe loaded with
// LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE).
//
// Every check returns the differences it found, one line of text each; an
// empty list means the resource is as it should be. The byte-level checks are
// separate from the module look-ups, so that they can be shown to notice a
// damaged copy.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zentrail::res_check {

using Differences = std::vector<std::string>;

// A resource's bytes inside a module (not copied; valid while it is loaded).
struct Bytes {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

// The US English resource of the given type and id; data is null if missing.
Bytes FindUsEnglish(HMODULE module, LPCSTR type, int id);

// --- Dialog templates (the standard form, not the extended one) -----------

// Names and texts that may be an ordinal are written "#N" for ordinal N; an
// empty name field is "". Predefined control classes given as ordinals are
// written by name ("Button", "Edit", "Static", ...).
struct DialogItem {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::uint16_t id = 0;
    std::string windowClass;
    std::string text;
    std::uint16_t creationDataSize = 0;
    std::size_t offset = 0;  // where the item starts in the template
};

struct DialogTemplate {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::string menu;
    std::string windowClass;
    std::string title;
    std::uint16_t pointSize = 0;  // with DS_SETFONT only
    std::string font;
    std::vector<DialogItem> items;
};

// False, with the reason in error, if the bytes are not a whole standard
// template (extended templates included).
bool ParseDialogTemplate(Bytes bytes, DialogTemplate& out, std::string& error);

Differences CompareDialog(const DialogTemplate& expected, const DialogTemplate& actual);

DialogTemplate ExpectedMainDialog();   // template 129
DialogTemplate ExpectedAboutDialog();  // template 100

Differences CheckDialogBytes(Bytes bytes, const DialogTemplate& expected);
Differences CheckDialogs(HMODULE module);

// --- Icons -------------------------------------------------------------------

// One RT_ICON image: a BITMAPINFOHEADER DIB with palette, colour bitmap and
// mask, of the given size and bit depth, whose transparent pixels are black
// in the colour bitmap (or they would invert the background).
Differences CheckIconImage(Bytes bytes, int size, int bits);
Differences CheckIcons(HMODULE module);

// --- Version block -------------------------------------------------------------

// The raw resource as the About box reads it: VS_FIXEDFILEINFO at offset 40.
Differences CheckVersionBytes(Bytes bytes);
// The raw resource, and the platform's reading of the file at path.
Differences CheckVersion(HMODULE module, const std::string& path);

// --- Manifest --------------------------------------------------------------------

Differences CheckManifestText(const std::string& text);
Differences CheckManifest(HMODULE module);

// --- The whole set -------------------------------------------------------------------

// The module holds exactly the program's resources, all US English: no
// stray or duplicate ones.
Differences CheckInventory(HMODULE module);

Differences CheckAll(HMODULE module, const std::string& path);

}  // namespace zentrail::res_check
