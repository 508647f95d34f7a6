#include "gui_object_count.h"

#include <set>

namespace {

zentrail::test::GuiObjects g_counts;
std::set<HGDIOBJ> g_fonts;
std::set<HCURSOR> g_cursors;
std::set<void*> g_pages;
long g_resourceSize = -1;

// The names ld gives the wrapped import slot of a system function and its
// original. Where C names take a leading underscore (i686), ld adds one to
// both names it makes.
#if defined(__x86_64__)
#define WRAP_SLOT(name, argumentBytes) "__wrap___imp_" #name
#define REAL_SLOT(name, argumentBytes) "__real___imp_" #name
#else
#define WRAP_SLOT(name, argumentBytes) "___wrap__imp__" #name "@" #argumentBytes
#define REAL_SLOT(name, argumentBytes) "___real__imp__" #name "@" #argumentBytes
#endif

}  // namespace

extern "C" {
extern decltype(&CreateFontIndirectA) realCreateFontIndirectA asm(REAL_SLOT(CreateFontIndirectA,
                                                                            4));
extern decltype(&DeleteObject) realDeleteObject asm(REAL_SLOT(DeleteObject, 4));
extern decltype(&CreateCursor) realCreateCursor asm(REAL_SLOT(CreateCursor, 28));
extern decltype(&DestroyCursor) realDestroyCursor asm(REAL_SLOT(DestroyCursor, 4));
extern decltype(&VirtualAlloc) realVirtualAlloc asm(REAL_SLOT(VirtualAlloc, 16));
extern decltype(&VirtualFree) realVirtualFree asm(REAL_SLOT(VirtualFree, 12));
extern decltype(&SizeofResource) realSizeofResource asm(REAL_SLOT(SizeofResource, 8));
}

namespace {

HFONT WINAPI CountedCreateFontIndirectA(const LOGFONTA* font) {
    const HFONT made = realCreateFontIndirectA(font);
    if (made != nullptr && g_fonts.insert(made).second) ++g_counts.fontsMade;
    return made;
}

BOOL WINAPI CountedDeleteObject(HGDIOBJ object) {
    const BOOL deleted = realDeleteObject(object);
    if (deleted) g_fonts.erase(object);
    return deleted;
}

HCURSOR WINAPI CountedCreateCursor(HINSTANCE instance, int hotX, int hotY, int width, int height,
                                   const void* andPlane, const void* xorPlane) {
    const HCURSOR made = realCreateCursor(instance, hotX, hotY, width, height, andPlane, xorPlane);
    if (made != nullptr && g_cursors.insert(made).second) ++g_counts.cursorsMade;
    return made;
}

BOOL WINAPI CountedDestroyCursor(HCURSOR cursor) {
    const BOOL destroyed = realDestroyCursor(cursor);
    if (destroyed) g_cursors.erase(cursor);
    return destroyed;
}

LPVOID WINAPI CountedVirtualAlloc(LPVOID address, SIZE_T size, DWORD type, DWORD protection) {
    void* const made = realVirtualAlloc(address, size, type, protection);
    if (made != nullptr && address == nullptr && g_pages.insert(made).second) {
        ++g_counts.codePagesMade;
    }
    return made;
}

BOOL WINAPI CountedVirtualFree(LPVOID address, SIZE_T size, DWORD type) {
    const BOOL freed = realVirtualFree(address, size, type);
    if (freed && (type & MEM_RELEASE) != 0) g_pages.erase(address);
    return freed;
}

DWORD WINAPI PretendedSizeofResource(HMODULE module, HRSRC resource) {
    const DWORD size = realSizeofResource(module, resource);
    return g_resourceSize < 0 ? size : static_cast<DWORD>(g_resourceSize);
}

}  // namespace

extern "C" {
decltype(&CreateFontIndirectA) wrapCreateFontIndirectA asm(WRAP_SLOT(CreateFontIndirectA, 4)) =
    CountedCreateFontIndirectA;
decltype(&DeleteObject) wrapDeleteObject asm(WRAP_SLOT(DeleteObject, 4)) = CountedDeleteObject;
decltype(&CreateCursor) wrapCreateCursor asm(WRAP_SLOT(CreateCursor, 28)) = CountedCreateCursor;
decltype(&DestroyCursor) wrapDestroyCursor asm(WRAP_SLOT(DestroyCursor, 4)) = CountedDestroyCursor;
decltype(&VirtualAlloc) wrapVirtualAlloc asm(WRAP_SLOT(VirtualAlloc, 16)) = CountedVirtualAlloc;
decltype(&VirtualFree) wrapVirtualFree asm(WRAP_SLOT(VirtualFree, 12)) = CountedVirtualFree;
decltype(&SizeofResource) wrapSizeofResource asm(WRAP_SLOT(SizeofResource,
                                                           8)) = PretendedSizeofResource;
}

namespace zentrail::test {

GuiObjects CountedGuiObjects() {
    GuiObjects counts = g_counts;
    counts.fontsLive = static_cast<long>(g_fonts.size());
    counts.cursorsLive = static_cast<long>(g_cursors.size());
    counts.codePagesLive = static_cast<long>(g_pages.size());
    return counts;
}

void PretendResourceSize(long size) { g_resourceSize = size; }

}  // namespace zentrail::test
