// The simulated desktop's resource reader, version services, processes and system services.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/process.h"
#include "platform/sim/desktop.h"
#include "platform/system.h"
#include "platform/window.h"

namespace {

using namespace platform;
using platform::sim::desktop;

class SimSystem : public ::testing::Test {
protected:
    void SetUp() override { desktop().reset(); }
};

// What VerQueryValueA hands out for a text value, read through a fresh copy of the block.
std::optional<std::string> queryText(const std::vector<std::uint8_t>& block, const char* path) {
    desktop().setVersionInfo(block);
    const std::string program = desktop().programPath();
    const std::uint32_t size = getFileVersionInfoSizeA(program.c_str());
    if (size == 0) return std::nullopt;
    std::vector<std::uint8_t> copy(size);
    if (!getFileVersionInfoA(program.c_str(), size, copy.data())) return std::nullopt;
    const void* value = nullptr;
    std::uint32_t length = 0;
    if (!verQueryValueA(copy.data(), path, &value, &length)) return std::nullopt;
    return std::string(static_cast<const char*>(value), length ? length - 1 : 0);
}

#ifdef SIM_FIXTURE_RES
TEST_F(SimSystem, ReadsWhatWindresWrites) {
    const auto res = sim::readResourceFile(SIM_FIXTURE_RES);
    ASSERT_TRUE(res);
    ASSERT_EQ(res->dialogs.count(200), 1u);
    const sim::DialogTemplate& old = res->dialogs.at(200);
    EXPECT_FALSE(old.extended);
    EXPECT_EQ(old.title, "古い形");
    EXPECT_EQ(old.font, "ＭＳ Ｐゴシック");
    EXPECT_EQ(old.pointSize, 9);
    EXPECT_EQ((Rect{old.x, old.y, old.cx, old.cy}), (Rect{10, 20, 100, 50}));
    ASSERT_EQ(old.items.size(), 5u);
    EXPECT_EQ(old.items[0].className, "Button");
    EXPECT_EQ(old.items[0].classAtom, 0x80);
    EXPECT_EQ(old.items[0].style & 0xF, 1u) << "default push button";
    EXPECT_EQ(old.items[1].text, "ラベル");
    EXPECT_EQ(old.items[1].id, 0xFFFFu) << "an old template's identifiers are 16 bits";
    EXPECT_EQ(old.items[2].textOrdinal, std::optional<std::uint16_t>(1)) << "an icon control names its icon";
    EXPECT_EQ(old.items[3].className, "EDIT") << "windres writes class names it has no atom for in capitals";
    EXPECT_EQ(old.items[4].className, "MSCTLS_UPDOWN32");
    EXPECT_EQ(old.items[4].style, 0x500000B6u);

    const sim::DialogTemplate& ex = res->dialogs.at(201);
    EXPECT_TRUE(ex.extended);
    EXPECT_EQ(ex.style, 0x40000440u);
    EXPECT_EQ(ex.exStyle, 0x00000200u);
    EXPECT_EQ(ex.weight, 400);
    EXPECT_EQ(ex.charset, 1);
    ASSERT_EQ(ex.items.size(), 2u);
    EXPECT_EQ(ex.items[0].id, 1003u);
    EXPECT_EQ(ex.items[0].style, 0x50021201u);
    EXPECT_EQ(ex.items[1].className, "SYSLINK");
    EXPECT_EQ(ex.items[1].text, "<a>link</a>");

    EXPECT_EQ(res->strings.at(101), "文字列");
    EXPECT_EQ(res->strings.at(17), "seventeen");
    EXPECT_EQ(res->icons.size(), 1u);
    EXPECT_EQ(res->groupIcons.count(1), 1u);
    EXPECT_EQ(queryText(res->versionInfo, "\\StringFileInfo\\041104b0\\ProductVersion"), "1, 0, 1, 102");

    // A dialog from the parsed template: the up-down control found its buddy.
    desktop().registerTemplate(200, old);
    bool handled = false;
    const Hwnd dialog = backend::createDialog(
        200, kNoWindow,
        [](void*, Hwnd, unsigned, std::uintptr_t, std::intptr_t, bool& h) -> std::intptr_t {
            h = false;
            return 0;
        },
        &handled);
    ASSERT_NE(dialog, kNoWindow);
    const Hwnd spin = desktop().item(dialog, 1009);
    EXPECT_EQ(sendMessage(spin, msg::kUdmGetBuddy, 0, 0),
              static_cast<std::intptr_t>(handleValue(desktop().item(dialog, 1008))));
    EXPECT_EQ(getWindowTextUtf8(dialog), "古い形");
    EXPECT_EQ(getClassNameA(spin, 256), "msctls_updown32") << "the class's own spelling";
    EXPECT_EQ(getClassNameA(desktop().item(dialog, 1008), 256), "Edit");
}
#endif

TEST_F(SimSystem, MalformedResourcesAreRefused) {
    EXPECT_FALSE(sim::readResourceFile("/nonexistent/file.res"));
    std::vector<std::uint8_t> bytes(32, 0);
    bytes[0] = 0xFF;  // an entry larger than the file
    EXPECT_FALSE(sim::readResourceBytes(bytes));
    EXPECT_FALSE(sim::parseDialogTemplate({0x01, 0x00, 0xFF, 0xFF, 0x00}));
}

TEST_F(SimSystem, VersionValuesAreFoundByPathAsTheSystemFindsThem) {
    sim::VersionInfoSpec recipe;
    recipe.translations = {{0x0411, 0x04B0}, {0x0409, 0x04E4}};
    recipe.stringTables = {
        {"041104b0", {{"ProductVersion", "1, 0, 1, 102"}, {"Comments", "試験"}, {"Empty", ""}}},
        {"040904e4", {{"ProductVersion", "1;0"}}}};
    const auto block = sim::buildVersionInfo(recipe);

    EXPECT_EQ(queryText(block, "\\StringFileInfo\\041104b0\\ProductVersion"), "1, 0, 1, 102");
    EXPECT_EQ(queryText(block, "\\stringfileinfo\\041104B0\\productversion"), "1, 0, 1, 102") << "no case";
    EXPECT_EQ(queryText(block, "\\StringFileInfo\\040904e4\\ProductVersion"), "1;0");
    EXPECT_EQ(queryText(block, "\\StringFileInfo\\041104b0\\Comments"), desktop().toAnsi("試験"))
        << "ANSI text";
    EXPECT_EQ(queryText(block, "\\StringFileInfo\\041104b0\\Empty"), "");
    EXPECT_FALSE(queryText(block, "\\StringFileInfo\\040904e4\\Comments"));
    EXPECT_FALSE(queryText(block, "\\StringFileInfo\\00000000\\ProductVersion"));

    std::vector<std::uint8_t> copy(getFileVersionInfoSizeA(desktop().programPath().c_str()));
    ASSERT_TRUE(getFileVersionInfoA(desktop().programPath().c_str(), static_cast<std::uint32_t>(copy.size()),
                                    copy.data()));
    const void* value = nullptr;
    std::uint32_t length = 0;
    ASSERT_TRUE(verQueryValueA(copy.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 8u);
    std::array<std::uint16_t, 4> words{};
    std::memcpy(words.data(), value, 8);
    EXPECT_EQ(words, (std::array<std::uint16_t, 4>{0x0411, 0x04B0, 0x0409, 0x04E4}));
    ASSERT_TRUE(verQueryValueA(copy.data(), "\\", &value, &length));
    EXPECT_EQ(length, 52u);
    std::uint32_t signature = 0;
    std::memcpy(&signature, value, 4);
    EXPECT_EQ(signature, 0xFEEF04BDu);
}

TEST_F(SimSystem, VersionServicesFailAsTold) {
    desktop().setVersionInfo(sim::buildVersionInfo({}));
    const std::string program = desktop().programPath();
    EXPECT_GT(getFileVersionInfoSizeA(program.c_str()), 0u);
    EXPECT_EQ(getFileVersionInfoSizeA("C:\\elsewhere.exe"), 0u);
    desktop().fail(sim::Failure::GetFileVersionInfoSize, 1);
    EXPECT_EQ(getFileVersionInfoSizeA(program.c_str()), 0u);
    std::vector<std::uint8_t> copy(getFileVersionInfoSizeA(program.c_str()));
    desktop().fail(sim::Failure::GetFileVersionInfo);
    EXPECT_FALSE(getFileVersionInfoA(program.c_str(), static_cast<std::uint32_t>(copy.size()), copy.data()));
    desktop().clearVersionInfo();
    EXPECT_EQ(getFileVersionInfoSizeA(program.c_str()), 0u);
}

TEST_F(SimSystem, ProcessesOpenListAndCloseAsConfigured) {
    const std::uint32_t closed = desktop().addProcess({{{"secure.exe", "C:\\secure.exe"}}, false, true});
    const std::uint32_t starting = desktop().addProcess({{{"new.exe", "C:\\new.exe"}}, true, false});
    EXPECT_FALSE(openProcess(kProcessQueryInformation | kProcessVmRead, false, closed));
    EXPECT_FALSE(openProcess(kProcessQueryInformation | kProcessVmRead, false, 99999)) << "no such process";
    {
        const ProcessHandle process = openProcess(kProcessQueryInformation | kProcessVmRead, false, starting);
        ASSERT_TRUE(process);
        EXPECT_EQ(desktop().openProcessHandles(), 1u);
        std::array<ModuleHandle, 4> modules{};
        std::uint32_t needed = 0;
        EXPECT_FALSE(enumProcessModules(process, modules.data(), sizeof(modules), &needed));
    }
    EXPECT_EQ(desktop().openProcessHandles(), 0u) << "closed with the handle";

    const ProcessHandle player =
        openProcess(kProcessQueryInformation | kProcessVmRead, false, desktop().defaultProcessId());
    std::array<ModuleHandle, 1> one{};
    std::uint32_t needed = 0;
    ASSERT_TRUE(enumProcessModules(player, one.data(), sizeof(one), &needed));
    EXPECT_EQ(needed, 2 * sizeof(ModuleHandle)) << "the count of every module, even those that did not fit";
    std::array<char, 1024> name{};
    ASSERT_TRUE(getModuleFileNameExA(player, one[0], name.data(), 1024));
    EXPECT_STREQ(name.data(), "C:\\Program Files\\Player\\player.exe");
}

TEST_F(SimSystem, StartUpServicesAreRecordedNotPerformed) {
    desktop().setProgramPath("D:\\Tools\\Clip.veil.exe");
    desktop().setCommandLine({"D:\\Tools\\Clip.veil.exe", "-D119"});
    EXPECT_EQ(applicationName(), "Clip.veil");
    EXPECT_EQ(commandLineArgs(), (std::vector<std::string>{"D:\\Tools\\Clip.veil.exe", "-D119"}));
    std::array<char, 9> small{};
    EXPECT_EQ(getModuleFileNameA(small.data(), 9), 9u) << "cut: the full size comes back";
    EXPECT_STREQ(small.data(), "D:\\Tools");

    EXPECT_EQ(createMutexA(false, "__CLIPVEIL_QUENWICK__").lastError, 0u);
    EXPECT_EQ(createMutexA(false, "__CLIPVEIL_QUENWICK__").lastError, kErrorAlreadyExists);
    desktop().fail(sim::Failure::CreateMutex, 1);
    EXPECT_FALSE(createMutexA(false, "other").created);

    EXPECT_TRUE(allocConsole());
    EXPECT_FALSE(allocConsole()) << "a process has one console";
    EXPECT_TRUE(reopenStdout("CONOUT$", "w"));
    EXPECT_TRUE(
        setConsoleCtrlHandler([](std::uint32_t event) { return event == kCtrlShutdownEvent ? 1 : 0; }));
    EXPECT_EQ(desktop().fireConsoleEvent(kCtrlShutdownEvent), 1);
    EXPECT_EQ(desktop().console().stdoutReopens.size(), 1u);
    EXPECT_TRUE(setCurrentDirectoryA("D:\\Tools"));
    EXPECT_FALSE(setCurrentDirectoryA(""));
    EXPECT_EQ(desktop().currentDirectory(), "D:\\Tools");
    shellOpen(kNoWindow, "https://example.invalid/");
    ASSERT_EQ(desktop().shellOpens().size(), 1u);
    EXPECT_EQ(desktop().shellOpens()[0].target, "https://example.invalid/");
}

}  // namespace
