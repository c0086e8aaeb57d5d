#include "SaneDevice.h"

#include <sane/saneopts.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace scanvia {
namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

bool contains(const std::string& text, const char* part) { return lower(text).find(part) != std::string::npos; }

bool active(const SANE_Option_Descriptor* d) {
    return d && SANE_OPTION_IS_ACTIVE(d->cap) && (d->type == SANE_TYPE_INT || d->type == SANE_TYPE_FIXED ||
                                                  d->type == SANE_TYPE_STRING || d->type == SANE_TYPE_BOOL);
}

double fromWord(const SANE_Option_Descriptor* d, SANE_Word w) {
    return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : static_cast<double>(w);
}

SANE_Word toWord(const SANE_Option_Descriptor* d, double v) {
    return d->type == SANE_TYPE_FIXED ? SANE_FIX(v) : static_cast<SANE_Word>(std::lround(v));
}

// A value the option takes: clamped to its range, or the nearest of its list.
double constrain(const SANE_Option_Descriptor* d, double v) {
    if (d->constraint_type == SANE_CONSTRAINT_RANGE && d->constraint.range) {
        const SANE_Range* r = d->constraint.range;
        v = std::clamp(v, fromWord(d, r->min), fromWord(d, r->max));
        const double quant = fromWord(d, r->quant);
        if (quant > 0) v = fromWord(d, r->min) + std::floor((v - fromWord(d, r->min)) / quant + 0.5) * quant;
        return std::min(v, fromWord(d, r->max));
    }
    if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list) {
        const SANE_Word* list = d->constraint.word_list;
        double best = v, distance = -1;
        for (SANE_Word i = 1; i <= list[0]; ++i) {
            const double c = fromWord(d, list[i]);
            if (distance < 0 || std::fabs(c - v) < distance) best = c, distance = std::fabs(c - v);
        }
        return best;
    }
    return v;
}

int sessions = 0;

}  // namespace

SaneSession::SaneSession() {
    SANE_Int version = 0;
    ok_ = sessions == 0 && sane_init(&version, nullptr) == SANE_STATUS_GOOD;
    if (ok_) ++sessions;
}

SaneSession::~SaneSession() {
    if (!ok_) return;
    --sessions;
    sane_exit();
}

std::vector<ScannerInfo> findScanners() {
    std::vector<ScannerInfo> found;
    const SANE_Device** list = nullptr;
    if (sane_get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || !list) return found;
    for (const SANE_Device** d = list; *d; ++d) {
        if (!(*d)->name) continue;
        std::string label;
        for (const char* part : {(*d)->vendor, (*d)->model}) {
            if (!part || !*part) continue;
            if (!label.empty()) label += ' ';
            label += part;
        }
        if ((*d)->type && *(*d)->type) label += " (" + std::string((*d)->type) + ")";
        if (label.empty()) label = (*d)->name;
        found.push_back(ScannerInfo{(*d)->name, label + " - " + (*d)->name});
    }
    return found;
}

SaneDevice::~SaneDevice() { close(); }

SANE_Status SaneDevice::open(const std::string& name) {
    close();
    const SANE_Status s = sane_open(name.c_str(), &handle_);
    if (s != SANE_STATUS_GOOD) handle_ = nullptr;
    else name_ = name;
    return s;
}

void SaneDevice::close() {
    if (handle_) sane_close(handle_);
    handle_ = nullptr;
    name_.clear();
}

int SaneDevice::find(const char* option) {
    if (!handle_) return -1;
    for (int i = 1;; ++i) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle_, i);
        if (!d) return -1;
        if (d->name && std::strcmp(d->name, option) == 0) return active(d) ? i : -1;
    }
}

const SANE_Option_Descriptor* SaneDevice::descriptor(int index) {
    return index > 0 && handle_ ? sane_get_option_descriptor(handle_, index) : nullptr;
}

bool SaneDevice::settable(int index) {
    const SANE_Option_Descriptor* d = descriptor(index);
    return active(d) && SANE_OPTION_IS_SETTABLE(d->cap);
}

bool SaneDevice::number(int index, double& value) {
    const SANE_Option_Descriptor* d = descriptor(index);
    if (!active(d) || (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED) || d->size < SANE_Int(sizeof(SANE_Word)))
        return false;
    std::vector<SANE_Word> words(static_cast<std::size_t>(d->size) / sizeof(SANE_Word) + 1);
    if (sane_control_option(handle_, index, SANE_ACTION_GET_VALUE, words.data(), nullptr) != SANE_STATUS_GOOD)
        return false;
    value = fromWord(d, words[0]);
    return true;
}

bool SaneDevice::setNumber(int index, double value) {
    if (!settable(index)) return false;
    const SANE_Option_Descriptor* d = descriptor(index);
    if (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED) return false;
    SANE_Word w = toWord(d, constrain(d, value));
    return sane_control_option(handle_, index, SANE_ACTION_SET_VALUE, &w, nullptr) == SANE_STATUS_GOOD;
}

bool SaneDevice::setString(int index, const std::string& value) {
    if (!settable(index)) return false;
    const SANE_Option_Descriptor* d = descriptor(index);
    if (d->type != SANE_TYPE_STRING || d->size <= 0) return false;
    std::vector<char> buffer(static_cast<std::size_t>(d->size) + 1, '\0');
    std::strncpy(buffer.data(), value.c_str(), static_cast<std::size_t>(d->size) - 1);
    return sane_control_option(handle_, index, SANE_ACTION_SET_VALUE, buffer.data(), nullptr) == SANE_STATUS_GOOD;
}

std::vector<std::string> SaneDevice::strings(int index) {
    std::vector<std::string> r;
    const SANE_Option_Descriptor* d = descriptor(index);
    if (!active(d) || d->constraint_type != SANE_CONSTRAINT_STRING_LIST || !d->constraint.string_list) return r;
    for (const SANE_String_Const* s = d->constraint.string_list; *s; ++s) r.emplace_back(*s);
    return r;
}

std::string SaneDevice::modeValue(ScanMode mode) {
    for (const std::string& m : strings(find(SANE_NAME_SCAN_MODE))) {
        switch (mode) {
        case ScanMode::Colour:
            if ((contains(m, "color") || contains(m, "colour")) && !contains(m, "lineart") && !contains(m, "halftone"))
                return m;
            break;
        case ScanMode::Grey:
            if (contains(m, "gray") || contains(m, "grey")) return m;
            break;
        case ScanMode::LineArt:
            if ((contains(m, "lineart") || contains(m, "binary")) && !contains(m, "color")) return m;
            break;
        }
    }
    return {};
}

bool SaneDevice::depthOffers(int depth) {
    const SANE_Option_Descriptor* d = descriptor(find(SANE_NAME_BIT_DEPTH));
    if (!d || d->type != SANE_TYPE_INT) return false;
    if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list) {
        for (SANE_Word i = 1; i <= d->constraint.word_list[0]; ++i)
            if (d->constraint.word_list[i] == depth) return true;
        return false;
    }
    if (d->constraint_type == SANE_CONSTRAINT_RANGE && d->constraint.range)
        return depth >= d->constraint.range->min && depth <= d->constraint.range->max;
    return false;
}

std::vector<ScanMode> SaneDevice::modes() {
    std::vector<ScanMode> r;
    if (find(SANE_NAME_SCAN_MODE) < 0) {
        // A scanner without modes scans in the one it has: offer it as colour.
        r.push_back(ScanMode::Colour);
        return r;
    }
    for (ScanMode m : {ScanMode::Colour, ScanMode::Grey}) 
        if (!modeValue(m).empty()) r.push_back(m);
    if (!modeValue(ScanMode::LineArt).empty() || (!modeValue(ScanMode::Grey).empty() && depthOffers(1)))
        r.push_back(ScanMode::LineArt);
    return r;
}

std::vector<int> SaneDevice::resolutions() {
    std::vector<int> r;
    const int index = find(SANE_NAME_SCAN_RESOLUTION);
    const SANE_Option_Descriptor* d = descriptor(index);
    if (!d) return r;
    if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list) {
        for (SANE_Word i = 1; i <= d->constraint.word_list[0]; ++i)
            r.push_back(static_cast<int>(std::lround(fromWord(d, d->constraint.word_list[i]))));
    } else if (d->constraint_type == SANE_CONSTRAINT_RANGE && d->constraint.range) {
        const double lo = fromWord(d, d->constraint.range->min), hi = fromWord(d, d->constraint.range->max);
        for (int v : {50, 75, 100, 150, 200, 300, 400, 600, 1200, 2400, 4800})
            if (v >= lo && v <= hi) r.push_back(static_cast<int>(std::lround(constrain(d, v))));
    }
    const int current = resolution();
    if (current > 0) r.push_back(current);
    std::sort(r.begin(), r.end());
    r.erase(std::unique(r.begin(), r.end()), r.end());
    r.erase(std::remove_if(r.begin(), r.end(), [](int v) { return v <= 0; }), r.end());
    return r;
}

int SaneDevice::resolution() {
    double v = 0;
    return number(find(SANE_NAME_SCAN_RESOLUTION), v) ? static_cast<int>(std::lround(v)) : 0;
}

namespace {
const char* const Corners[4] = {SANE_NAME_SCAN_TL_X, SANE_NAME_SCAN_TL_Y, SANE_NAME_SCAN_BR_X, SANE_NAME_SCAN_BR_Y};
}

bool SaneDevice::hasArea() {
    for (const char* c : Corners)
        if (!settable(find(c))) return false;
    return true;
}

ScanArea SaneDevice::area() {
    double v[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) number(find(Corners[i]), v[i]);
    return ScanArea{v[0], v[1], v[2], v[3]};
}

Range SaneDevice::areaRange(int corner) {
    const SANE_Option_Descriptor* d = descriptor(find(Corners[corner]));
    Range r;
    if (d && d->constraint_type == SANE_CONSTRAINT_RANGE && d->constraint.range) {
        r.min = fromWord(d, d->constraint.range->min);
        r.max = fromWord(d, d->constraint.range->max);
    } else if (d) {
        double v = 0;
        number(find(Corners[corner]), v);
        r.min = std::min(0.0, v);
        r.max = std::max(v, 1e6);
    }
    return r;
}

std::string SaneDevice::areaUnit() {
    const SANE_Option_Descriptor* d = descriptor(find(SANE_NAME_SCAN_TL_X));
    return d && d->unit == SANE_UNIT_PIXEL ? "pixels" : "mm";
}

void SaneDevice::apply(ScanMode mode, int dpi, const ScanArea& a) {
    const int modeIndex = find(SANE_NAME_SCAN_MODE);
    if (modeIndex > 0) {
        std::string value = modeValue(mode);
        const bool greyLineArt = mode == ScanMode::LineArt && value.empty();
        if (greyLineArt) value = modeValue(ScanMode::Grey);
        if (!value.empty()) setString(modeIndex, value);
        // Setting the mode may change which options there are: look the depth up afterwards.
        const int depth = find(SANE_NAME_BIT_DEPTH);
        double current = 0;
        if (greyLineArt) setNumber(depth, 1);
        else if (mode != ScanMode::LineArt && number(depth, current) && current < 8 && depthOffers(8))
            setNumber(depth, 8);
    }
    if (dpi > 0) setNumber(find(SANE_NAME_SCAN_RESOLUTION), dpi);
    if (hasArea()) {
        // Bottom-right first when the area grows, top-left first when it moves up: each step
        // keeps the corners in order on scanners that check it.
        setNumber(find(SANE_NAME_SCAN_BR_X), a.right);
        setNumber(find(SANE_NAME_SCAN_BR_Y), a.bottom);
        setNumber(find(SANE_NAME_SCAN_TL_X), a.left);
        setNumber(find(SANE_NAME_SCAN_TL_Y), a.top);
        setNumber(find(SANE_NAME_SCAN_BR_X), a.right);
        setNumber(find(SANE_NAME_SCAN_BR_Y), a.bottom);
    }
}

}  // namespace scanvia
