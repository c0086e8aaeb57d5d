// CUPS queues: their state and handing finished jobs to them.
#include "platform/printer.h"

#include "platform/winerror.h"

#include <QString>

#include <cups/cups.h>

#include <cstring>
#include <string>

namespace platform {

namespace {

std::string local(const std::u16string& s) { return QString::fromStdU16String(s).toLocal8Bit().toStdString(); }
std::u16string wide(const char* s) { return s ? QString::fromLocal8Bit(s).toStdU16String() : std::u16string(); }

}  // namespace

QueueStatus queueStatus(const std::u16string& name) {
    QueueStatus s;
    if (name.empty()) return s;
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, local(name).c_str(), nullptr);
    if (!dest) return s;
    s.exists = true;
    const char* state = cupsGetOption("printer-state", dest->num_options, dest->options);
    s.stopped = state && std::strcmp(state, "5") == 0;
    const char* accepting = cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    // Older servers leave the option out; the submission then tells.
    s.accepting = !accepting || std::strcmp(accepting, "false") != 0;
    s.message = wide(cupsGetOption("printer-state-message", dest->num_options, dest->options));
    cupsFreeDests(1, dest);
    return s;
}

int submitToQueue(const std::u16string& queue, const std::u16string& file, const std::u16string& title,
                  const std::u16string& media) {
    const std::u16string printer = u"\"" + queue + u"\"";
    std::string mediaName = local(media);
    std::string key = "media";
    cups_option_t option{key.data(), mediaName.data()};
    const int count = mediaName.empty() ? 0 : 1;
    const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, local(queue).c_str(), local(file).c_str(), local(title).c_str(), count,
                                 count ? &option : nullptr);
    if (job <= 0) {
        std::u16string why = wide(cupsLastErrorString());
        if (why.empty()) why = u"unknown error";
        setPrintError(ERROR_INVALID_PRINTER_STATE, u"The printer " + printer + u" refused the job: " + why + u".");
        return 0;
    }
    return job;
}

}  // namespace platform
