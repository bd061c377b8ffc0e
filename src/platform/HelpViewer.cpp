#include "platform/HelpViewer.h"

#include "forms/Error.h"

namespace platform {

namespace {

HelpViewer* current = nullptr;

// Stands in until the program installs its viewer: opens nothing.
class NoViewer : public HelpViewer {
public:
    std::int32_t HtmlHelp(std::int32_t, const OptionalText&, unsigned, const HelpData&) override {
        return 0;
    }
};

}  // namespace

std::int32_t RecordingHelpViewer::HtmlHelp(std::int32_t hwndCaller, const OptionalText& file,
                                           unsigned command, const HelpData& data) {
    calls.push_back(Call{hwndCaller, file, command, data});
    if (error) {
        std::rethrow_exception(error);
    }
    if (raising) {
        throw forms::RuntimeError(48, "Error in loading DLL");
    }
    if (!results.empty()) {
        std::int32_t next = results.front();
        results.erase(results.begin());
        return next;
    }
    return result;
}

HelpViewer& helpViewer() {
    static NoViewer none;
    return current != nullptr ? *current : none;
}

void setHelpViewer(HelpViewer* viewer) {
    current = viewer;
}

}  // namespace platform
