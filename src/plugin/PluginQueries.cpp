#include "plugin/PluginQueries.h"

#include "common/Module.h"
#include "plugin/HostInterface.h"
#include "resources/ResourceIds.h"
#include "settings/EditorSettings.h"
#include "settings/LoanJournal.h"

namespace quorvin {

namespace {

// The value that events with kEventStoreValue hand over; 0 at load.
LParam rememberedEventValue = 0;

// Texts handed to the editor are loaded into a buffer of this size; longer
// ones are cut.
constexpr int kTextBufferSize = 80;

struct LoadedText {
    char text[kTextBufferSize] = {};
    int length = 0;
};

LoadedText LoadText(Platform& platform, std::uint32_t id) {
    LoadedText loaded;
    const int length = platform.LoadStringText(ModuleInstance(), id, loaded.text, kTextBufferSize);
    loaded.length = length > 0 ? length : 0;
    return loaded;
}

LResult AnswerTextQuery(Platform& platform, std::uint32_t id, WParam bufferSize, LParam buffer) {
    const LoadedText loaded = LoadText(platform, id);
    // Copying never needs more than the loaded text and its terminator, so a
    // larger size is clamped instead of reaching the copy as a negative int.
    if (buffer != 0 && bufferSize != 0) {
        const int limit =
            bufferSize < kTextBufferSize ? static_cast<int>(bufferSize) : kTextBufferSize;
        platform.CopyText(reinterpret_cast<char*>(buffer), loaded.text, limit);
    }
    return loaded.length + 1;
}

// In UTF-16, so that the Japanese question reads right under any code page.
// A Macro0 that a killed editor left lent goes back first, as at every
// command: once the DLL is gone, nothing would put it back.
// Yes removes what the plug-in remembered, so that nothing of it is left.
LResult ConfirmUninstall(Platform& platform, SettingsStore& registry, PluginTexts& texts,
                         WindowHandle window) {
    RepairEditorLoans(platform, registry, window);
    texts.FollowEditor(platform, registry, window);
    const WideString question =
        platform.LoadWideString(ModuleInstance(), texts.Id(IDS_UNINSTALL_QUESTION));
    if (platform.ShowMessageBox(window, question.c_str(), u"EmEditor", kMbYesNoQuestion) !=
        kIdYes) {
        return 0;
    }
    texts.StopRemembering();
    SettingsChoice settings(platform, registry, window);
    ForgetPlugInValues(platform, settings.store());
    return 1;
}

LResult AnswerQuery(Platform& platform, SettingsStore& registry, PluginTexts& texts,
                    WindowHandle window, std::uint32_t code, WParam wParam, LParam lParam) {
    switch (code) {
        case kQueryName:
            return AnswerTextQuery(platform, IDS_PLUGIN_NAME, wParam, lParam);
        case kQueryVersion:
            return AnswerTextQuery(platform, IDS_PLUGIN_VERSION, wParam, lParam);
        case kQueryUninstallAllowed:
            return 1;
        case kQueryConfirmUninstall:
            return ConfirmUninstall(platform, registry, texts, window);
        case kQueryBitmap:
            return ChooseBitmap(static_cast<std::uint32_t>(wParam));
        case kQueryMaskColour:
            return MaskColour(static_cast<std::uint32_t>(wParam));
        default:
            return 0;
    }
}

}  // namespace

std::uint32_t ChooseBitmap(std::uint32_t flags) {
    std::uint32_t base = 0;
    if (flags & kImageTrueColour) {
        base = 109;
    } else if (flags & kImage256Colours) {
        base = 103;
    } else {
        return kDefaultBitmap + (flags & kImageLarge);
    }
    return base + (flags & kImageLarge) + ((flags & kImageSecond) ? 4 : 0);
}

std::uint32_t MaskColour(std::uint32_t flags) {
    return (flags & (kImage256Colours | kImageTrueColour)) ? kMagenta : 0;
}

LResult AnswerPlugInQuery(Platform& platform, SettingsStore& registry, PluginTexts& texts,
                          WindowHandle window, std::uint32_t code, WParam wParam, LParam lParam) {
    // Running out of memory is the one exception the standard library can
    // raise here; it must not unwind into the editor.
    try {
        return AnswerQuery(platform, registry, texts, window, code, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

void EditorStartup::AtCall(Platform& system, SettingsStore& registry, PluginTexts& texts,
                           WindowHandle window) {
    if (done_ || window == nullptr) return;
    done_ = true;
    try {
        RepairEditorLoans(system, registry, window);
        texts.FollowEditor(system, registry, window);
    } catch (...) {
    }
}

void HandleEvents(Platform& platform, SettingsStore& registry, PluginTexts& texts,
                  WindowHandle window, std::uint32_t events, LParam value) {
    if (events & kEventStoreValue) {
        rememberedEventValue = value;
    }
    if (events & kEventSendValue) {
        platform.SendWindowMessage(window, kHostMsgEventValue,
                                   static_cast<WParam>(rememberedEventValue), 0);
    }
    if (events & kEventUiChanged) {
        texts.FollowEditor(platform, registry, window);
    }
}

bool QueryCommandStatus(int* checked) {
    // The editor may pass no flag; writing through it then would crash the editor.
    if (checked != nullptr) {
        *checked = 0;
    }
    return true;
}

}  // namespace quorvin
