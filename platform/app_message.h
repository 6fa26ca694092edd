#pragma once

#include <functional>

class QObject;

// One queued input message as the application-wide filters see it, reduced to
// what a filter decides on. Codes and key numbers follow the classic desktop
// message numbering so that filter tables read the same on every toolkit.
struct AppMessage {
    enum Code : unsigned {
        ContextMenu = 0x7B,
        NcRButtonDown = 0xA4,
        NcRButtonDblClk = 0xA6,
        KeyDown = 0x100,
        SysKeyDown = 0x104,
        SysCommand = 0x112,
        RButtonDown = 0x204,
        RButtonDblClk = 0x206,
    };

    QObject* target = nullptr;  // the object the message is aimed at
    unsigned code = 0;
    int key = 0;               // virtual-key code for key messages, 0 otherwise
    bool controlDown = false;  // the Control key's state when the message was taken
    bool keyUp = false;        // the "key going up" flag of a key message
    bool autoRepeat = false;
    // The key went to an object that holds an input method's uncommitted
    // text (pinyin being composed, say): the key is the input method's.
    bool composing = false;
};

// The virtual-key codes the filters and the event translation name.
namespace VirtualKey {
inline constexpr int Back = 0x08;
inline constexpr int Tab = 0x09;
inline constexpr int Return = 0x0D;
inline constexpr int Shift = 0x10;
inline constexpr int Control = 0x11;
inline constexpr int Menu = 0x12;  // Alt
inline constexpr int Escape = 0x1B;
inline constexpr int Space = 0x20;
inline constexpr int Prior = 0x21;
inline constexpr int Next = 0x22;
inline constexpr int End = 0x23;
inline constexpr int Home = 0x24;
inline constexpr int Left = 0x25;
inline constexpr int Up = 0x26;
inline constexpr int Right = 0x27;
inline constexpr int Down = 0x28;
inline constexpr int Insert = 0x2D;
inline constexpr int Delete = 0x2E;
inline constexpr int Digit0 = 0x30;
inline constexpr int LetterA = 0x41;
inline constexpr int LetterN = 0x4E;
inline constexpr int F1 = 0x70;
inline constexpr int F5 = 0x74;
inline constexpr int F9 = 0x78;
}  // namespace VirtualKey

// Filter installed as the application's message hook. `handled` arrives false;
// leaving it true drops the message.
using MessageFilter = std::function<void(const AppMessage& message, bool& handled)>;

// Ctrl+N as a filter sees it: the N key going down with Control held. A page
// would open a new browser window with it. A press during a composition is the
// input method's, not Ctrl+N.
bool IsControlN(const AppMessage& message);

// The right-button and context-menu messages with which a page would show the
// browser's own context menu.
bool IsContextMenuMessage(const AppMessage& message);
