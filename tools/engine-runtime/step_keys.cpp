#include "tools/engine-runtime/step_keys.h"

#include <windows.h>

#include "platform/utf8.h"

namespace quorvane::engine {

namespace {

struct NamedKey {
    const char* name;  // as a steps file writes it
    const char* key;   // the DOM's KeyboardEvent.key
    const char* code;  // the DOM's KeyboardEvent.code
    int virtualKey;
    const char* text;  // what the key types, if anything
};
const NamedKey kKeys[] = {
    {"Enter", "Enter", "Enter", VK_RETURN, "\r"},
    {"Escape", "Escape", "Escape", VK_ESCAPE, ""},
    {"Space", " ", "Space", VK_SPACE, " "},
    {"Tab", "Tab", "Tab", VK_TAB, ""},
    {"Backspace", "Backspace", "Backspace", VK_BACK, ""},
    {"Delete", "Delete", "Delete", VK_DELETE, ""},
    {"Insert", "Insert", "Insert", VK_INSERT, ""},
    {"Home", "Home", "Home", VK_HOME, ""},
    {"End", "End", "End", VK_END, ""},
    {"PageUp", "PageUp", "PageUp", VK_PRIOR, ""},
    {"PageDown", "PageDown", "PageDown", VK_NEXT, ""},
    {"ArrowLeft", "ArrowLeft", "ArrowLeft", VK_LEFT, ""},
    {"ArrowRight", "ArrowRight", "ArrowRight", VK_RIGHT, ""},
    {"ArrowUp", "ArrowUp", "ArrowUp", VK_UP, ""},
    {"ArrowDown", "ArrowDown", "ArrowDown", VK_DOWN, ""},
    {"Shift", "Shift", "ShiftLeft", VK_SHIFT, ""},
    {"Control", "Control", "ControlLeft", VK_CONTROL, ""},
    {"Alt", "Alt", "AltLeft", VK_MENU, ""},
    {"F1", "F1", "F1", VK_F1, ""},
    {"F2", "F2", "F2", VK_F2, ""},
    {"F3", "F3", "F3", VK_F3, ""},
    {"F4", "F4", "F4", VK_F4, ""},
    {"F5", "F5", "F5", VK_F5, ""},
    {"F6", "F6", "F6", VK_F6, ""},
    {"F7", "F7", "F7", VK_F7, ""},
    {"F8", "F8", "F8", VK_F8, ""},
    {"F9", "F9", "F9", VK_F9, ""},
    {"F10", "F10", "F10", VK_F10, ""},
    {"F11", "F11", "F11", VK_F11, ""},
    {"F12", "F12", "F12", VK_F12, ""},
};

KeyPress press(const std::string& key, const std::string& code, int virtualKey,
               const std::string& text) {
    KeyPress press{{{"type", "keyDown"}, {"key", key}}, {{"type", "keyUp"}, {"key", key}}};
    for (Json* event : {&press.down, &press.up}) {
        if (!code.empty())
            (*event)["code"] = code;
        if (virtualKey != 0)
            (*event)["windowsVirtualKeyCode"] = virtualKey;
    }
    if (!text.empty())
        press.down["text"] = text;
    return press;
}

// One code point, not a control character.
bool isOneCharacter(const std::wstring& wide) {
    if (wide.size() == 2)
        return IS_HIGH_SURROGATE(wide[0]) && IS_LOW_SURROGATE(wide[1]);
    return wide.size() == 1 && wide[0] >= 0x20 && wide[0] != 0x7F &&
           !(wide[0] >= 0x80 && wide[0] < 0xA0);
}

}  // namespace

std::optional<KeyPress> keyPress(const std::string& name) {
    for (const NamedKey& key : kKeys) {
        // " " is the Space key's own DOM name.
        if (name == key.name || (name == " " && std::string(key.key) == " "))
            return press(key.key, key.code, key.virtualKey, key.text);
    }
    const std::wstring wide = utf8ToWide(name);
    if (!isOneCharacter(wide))
        return std::nullopt;
    std::string code;
    const wchar_t c = wide[0];
    if ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'))
        code = std::string("Key") + static_cast<char>(towupper(c));
    else if (c >= L'0' && c <= L'9')
        code = std::string("Digit") + static_cast<char>(c);
    // The key that types it on the keyboard layout in use (VK_OEM_PERIOD for "."), if any: the
    // character's own number would be another key's ("." is 0x2E, VK_DELETE).
    int virtualKey = 0;
    if (wide.size() == 1) {
        const SHORT scan = VkKeyScanW(c);
        if (scan != -1 && (scan & 0xFF) != 0xFF)
            virtualKey = scan & 0xFF;
    }
    return press(name, code, virtualKey, name);
}

}  // namespace quorvane::engine
