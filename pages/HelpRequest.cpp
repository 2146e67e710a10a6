#include "pages/HelpRequest.h"

namespace qda {
namespace {
// User-interface thread only, like the dialogs that use it.
std::function<void(const std::string&)>& Handler() {
    static std::function<void(const std::string&)> handler;
    return handler;
}
}  // namespace

void SetHelpHandler(std::function<void(const std::string& document)> handler) {
    Handler() = std::move(handler);
}

bool RequestHelp(const std::string& document) {
    if (!Handler()) return false;
    Handler()(document);
    return true;
}

}  // namespace qda
