#include "ErrorReport.h"

#include "IFormView.h"
#include "core/Exceptions.h"
#include "core/Mbcs.h"

#include <exception>
#include <new>

namespace brisel {

const char* const kApplicationTitle = "briselPatch";

String ErrorReportText(const String& message) {
    if (message.empty()) {
        return message;
    }
    std::size_t last = message.size() - 1;
    if (ByteKindAt(message, last) == ByteKind::Trail) {
        --last;
    }
    return static_cast<unsigned char>(message[last]) > '.' ? message + "." : message;
}

bool RunEventHandler(IFormView& view, const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const Exception& e) {
        view.ShowErrorReport(ErrorReportText(e.Message()));
    } catch (const std::bad_alloc&) {
        view.ShowErrorReport(ErrorReportText("Out of memory"));
    } catch (const std::exception& e) {
        view.ShowErrorReport(ErrorReportText(e.what()));
    } catch (...) {
        view.ShowErrorReport(ErrorReportText("Unknown error"));
    }
    return false;
}

} // namespace brisel
