// CUPS queues: their state and handing finished jobs to them. Every question to the server
// runs on a connection of its own with a short timeout, so a server that is down or hangs
// makes a queue unavailable at once instead of blocking the caller.
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

int timeoutCallback(http_t*, void*) { return 0; }  // give up when the timeout passes

// A connection to the CUPS server, or null when it does not answer in time.
class Connection {
public:
    Connection() {
        http_ = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, kCupsTimeoutMs, nullptr);
        if (http_) httpSetTimeout(http_, kCupsTimeoutMs / 1000.0, timeoutCallback, nullptr);
    }
    ~Connection() {
        if (http_) httpClose(http_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    http_t* get() const { return http_; }

private:
    http_t* http_ = nullptr;
};

std::string printerUri(const std::string& name) {
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                     name.c_str());
    return uri;
}

}  // namespace

QueueStatus queueStatus(const std::u16string& name) {
    QueueStatus s;
    if (name.empty()) return s;
    Connection http;
    if (!http.get()) return s;
    const std::string queue = local(name);
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    const std::string uri = printerUri(queue);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
    static const char* const wanted[] = {"printer-state", "printer-is-accepting-jobs", "printer-state-message"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr, wanted);
    ipp_t* response = cupsDoRequest(http.get(), request, "/");
    if (!response) return s;
    if (ippGetStatusCode(response) <= IPP_STATUS_OK_EVENTS_COMPLETE) {
        s.exists = true;
        ipp_attribute_t* state = ippFindAttribute(response, "printer-state", IPP_TAG_ENUM);
        s.stopped = state && ippGetInteger(state, 0) == IPP_PSTATE_STOPPED;
        ipp_attribute_t* accepting = ippFindAttribute(response, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
        // Older servers leave the attribute out; the submission then tells.
        s.accepting = !accepting || ippGetBoolean(accepting, 0);
        ipp_attribute_t* message = ippFindAttribute(response, "printer-state-message", IPP_TAG_TEXT);
        if (message) s.message = wide(ippGetString(message, 0, nullptr));
    }
    ippDelete(response);
    return s;
}

QueueSent sendToCups(const QueueJob& job) {
    QueueSent sent;
    const std::u16string printer = u"\"" + job.queue + u"\"";
    Connection http;
    if (!http.get()) {
        sent.error = u"The printer " + printer + u" is not available.";
        return sent;
    }
    std::string mediaName = local(job.media);
    std::string key = "media";
    cups_option_t option{key.data(), mediaName.data()};
    const int count = mediaName.empty() ? 0 : 1;
    sent.job = cupsPrintFile2(http.get(), local(job.queue).c_str(), local(job.file).c_str(), local(job.title).c_str(),
                              count, count ? &option : nullptr);
    if (sent.job <= 0) {
        sent.job = 0;
        std::u16string why = wide(cupsLastErrorString());
        if (why.empty()) why = u"unknown error";
        sent.error = u"The printer " + printer + u" refused the job: " + why + u".";
    }
    return sent;
}

int submitToQueue(const std::u16string& queue, const std::u16string& file, const std::u16string& title,
                  const std::u16string& media) {
    const QueueSent sent = sendToCups(QueueJob{queue, file, title, media});
    if (!sent.job) setPrintError(ERROR_INVALID_PRINTER_STATE, sent.error);
    return sent.job;
}

}  // namespace platform
