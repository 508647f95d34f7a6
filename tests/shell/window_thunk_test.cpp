#include "shell/window_thunk.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "test_resources.h"
#include "test_support.h"
#include "test_windows.h"

namespace {

std::uintptr_t Address(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }

// Executable, not writable, committed: what a program marked NX-compatible
// needs for code it made itself.
::testing::AssertionResult IsExecuteReadCode(const void* code) {
    MEMORY_BASIC_INFORMATION info{};
    if (VirtualQuery(code, &info, sizeof info) != sizeof info) {
        return ::testing::AssertionFailure() << "VirtualQuery failed";
    }
    if (info.State != MEM_COMMIT) return ::testing::AssertionFailure() << "not committed";
    if (info.Protect != PAGE_EXECUTE_READ) {
        return ::testing::AssertionFailure()
               << "protection 0x" << std::hex << info.Protect << " instead of PAGE_EXECUTE_READ";
    }
    return ::testing::AssertionSuccess();
}

bool IsFree(const void* code) {
    MEMORY_BASIC_INFORMATION info{};
    return VirtualQuery(code, &info, sizeof info) == sizeof info && info.State == MEM_FREE;
}

bool LiesWithin(const void* p, const void* object, std::size_t size) {
    return Address(p) >= Address(object) && Address(p) < Address(object) + size;
}

// The thirteen bytes, decoded: the object that replaces the window handle
// and where the jump lands.
struct Decoded {
    bool opcodesRight;
    std::uintptr_t object;
    std::uintptr_t target;
};

Decoded Decode(const void* code) {
    const auto* bytes = static_cast<const unsigned char*>(code);
    std::uint32_t object = 0;
    std::int32_t displacement = 0;
    std::memcpy(&object, bytes + 4, 4);
    std::memcpy(&displacement, bytes + 9, 4);
    const bool opcodes = bytes[0] == 0xC7 && bytes[1] == 0x44 && bytes[2] == 0x24 &&
                         bytes[3] == 0x04 && bytes[8] == 0xE9;
    return {opcodes, object, Address(code) + 13 + static_cast<std::uintptr_t>(displacement)};
}

void FirstArgument() {}

TEST(WindowThunkCode, IsTheStoreAndTheJumpInAnExecuteReadPage) {
    int object = 0;
    WindowThunk thunk;
    EXPECT_EQ(nullptr, thunk.Code());
    ASSERT_TRUE(thunk.Write(&object, &FirstArgument));
    EXPECT_TRUE(IsExecuteReadCode(thunk.Code()));
    const Decoded d = Decode(thunk.Code());
    EXPECT_TRUE(d.opcodesRight);
    EXPECT_EQ(Address(&object), d.object);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(&FirstArgument), d.target);
}

TEST(WindowThunkCode, RewritingKeepsThePageExecuteRead) {
    int first = 0, second = 0;
    WindowThunk thunk;
    ASSERT_TRUE(thunk.Write(&first, &FirstArgument));
    const void* code = thunk.Code();
    ASSERT_TRUE(thunk.Write(&first, &FirstArgument));
    ASSERT_TRUE(thunk.Write(&second, &FirstArgument));
    EXPECT_EQ(code, thunk.Code());
    EXPECT_EQ(Address(&second), Decode(code).object);
    EXPECT_TRUE(IsExecuteReadCode(code));
}

TEST(WindowThunkCode, PageIsFreedWithTheThunk) {
    int object = 0;
    const void* code = nullptr;
    {
        WindowThunk thunk;
        ASSERT_TRUE(thunk.Write(&object, &FirstArgument));
        code = thunk.Code();
        ASSERT_FALSE(IsFree(code));
    }
    EXPECT_TRUE(IsFree(code));
}

// The procedure that the platform calls for a bound window is the thunk, in
// memory of its own, never inside the object (here on the stack or heap).
TEST(WindowThunkBinding, DialogProcedureIsExecuteReadCodeOutsideTheObject) {
    SKIP_WITHOUT_DISPLAY();
    const void* code = nullptr;
    {
        auto dialog = std::make_unique<TestDialog>(IDD_TEST_PLAIN);
        const HWND window = dialog->CreateModeless(nullptr, 0);
        ASSERT_NE(nullptr, window);
        code = reinterpret_cast<const void*>(
            static_cast<std::uintptr_t>(GetWindowLongA(window, DWL_DLGPROC)));
        EXPECT_EQ(dialog->ThunkCode(), code);
        EXPECT_TRUE(IsExecuteReadCode(code));
        EXPECT_FALSE(LiesWithin(code, dialog.get(), sizeof(TestDialog)));
        const Decoded d = Decode(code);
        EXPECT_TRUE(d.opcodesRight);
        EXPECT_EQ(Address(static_cast<BoundWindow*>(dialog.get())), d.object);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(&DialogMessageProc), d.target);
        DestroyWindow(window);
    }
    EXPECT_TRUE(IsFree(code));
}

TEST(WindowThunkBinding, ControlProcedureIsExecuteReadCodeOutsideTheObject) {
    SKIP_WITHOUT_DISPLAY();
    ScratchWindow label(WS_POPUP);
    TestControl control;
    ASSERT_TRUE(control.BindControl(label.get()));
    const void* code = reinterpret_cast<const void*>(
        static_cast<std::uintptr_t>(GetWindowLongA(label.get(), GWL_WNDPROC)));
    EXPECT_EQ(control.ThunkCode(), code);
    EXPECT_TRUE(IsExecuteReadCode(code));
    EXPECT_FALSE(LiesWithin(code, &control, sizeof control));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(&ControlMessageProc), Decode(code).target);
    DestroyWindow(label.get());
}

// Without these two flags in the program's header, Windows would run a thunk
// from writable memory, or put the program at a fixed address. The link
// options of the shell library keep them; this exe links it.
TEST(ExecutableHeader, IsMarkedNxCompatibleAndRelocatable) {
    const auto* base = reinterpret_cast<const unsigned char*>(GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    ASSERT_EQ(IMAGE_DOS_SIGNATURE, dos->e_magic);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    ASSERT_EQ(IMAGE_NT_SIGNATURE, nt->Signature);
    ASSERT_EQ(IMAGE_NT_OPTIONAL_HDR32_MAGIC, nt->OptionalHeader.Magic);
    const WORD flags = nt->OptionalHeader.DllCharacteristics;
    EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_NX_COMPAT) << std::hex << flags;
    EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE) << std::hex << flags;
}

}  // namespace
