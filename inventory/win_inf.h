// Value records of the desktop's windows: one top-level window with its recorded
// descendants, and one descendant. Handles are identifiers only; users check them.
#pragma once

#include <cstdint>
#include <list>
#include <set>
#include <string>

#include "platform/types.h"

// The classes of a player's video window, in order of preference, and its control id.
inline constexpr const char* kWmpVideoClass = "WMPVideoWindow";
inline constexpr const char* kEvrVideoClass = "EVRVideoHandler";
inline constexpr const char* kVideoClasses[] = {kWmpVideoClass, kEvrVideoClass};
inline constexpr std::int32_t kVideoCtrlId = 0;

class CChildWinInf {
public:
    CChildWinInf() = default;
    CChildWinInf(const CChildWinInf&) = default;
    CChildWinInf& operator=(const CChildWinInf&) = default;
    virtual ~CChildWinInf() = default;

    platform::Hwnd hwnd{};
    platform::WindowInfo info{};  // zero-filled until the child inventory fills it
    std::string text;
    std::string className;
    std::int32_t ctrlId = 0;
};

// The buffer a window's title is read into, in bytes with the terminating NUL.
inline constexpr int kTitleBytes = 256;

class CWinInf {
public:
    CWinInf() = default;
    CWinInf(const CWinInf&) = default;
    CWinInf& operator=(const CWinInf&) = default;
    virtual ~CWinInf() = default;

    // Rebuilds `children` from the window's current descendants, depth first, recording only
    // those findChild can choose as a video window: of a video class with control id 0,
    // visible, enabled and titled. Keeps the last scan when the window is gone. The cheap,
    // local questions come first, so only those windows are asked for their text. A thread
    // that did not answer (its id in silentThreads, which the scan adds to) is not asked again.
    void scanVideoChildren(std::set<std::uint32_t>& silentThreads);
    // First recorded child with exactly this class name and control id: copied to out.
    int findChild(std::string className, std::int32_t ctrlId, CChildWinInf& out) const;

    platform::Hwnd hwnd{};
    std::string title;
    std::string moduleName;
    std::string modulePath;
    std::int32_t reserved = 0;
    std::list<CChildWinInf> children;
};
