// Value records of the desktop's windows: one top-level window with its recorded
// descendants, and one descendant. Handles are identifiers only; users check them.
#pragma once

#include <cstdint>
#include <list>
#include <string>

#include "platform/types.h"

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

class CWinInf {
public:
    CWinInf() = default;
    CWinInf(const CWinInf&) = default;
    CWinInf& operator=(const CWinInf&) = default;
    virtual ~CWinInf() = default;

    // Rebuilds `children` from the window's current descendants; keeps the last
    // scan when the window is gone.
    void scanChildren();
    // Examines one descendant and records it when it is visible, enabled and titled.
    void addChild(platform::Hwnd child);
    // First recorded child with exactly this class name and control id: copied to out.
    int findChild(std::string className, std::int32_t ctrlId, CChildWinInf& out) const;

    platform::Hwnd hwnd{};
    std::string title;
    std::string moduleName;
    std::string modulePath;
    std::int32_t reserved = 0;
    std::list<CChildWinInf> children;
};
