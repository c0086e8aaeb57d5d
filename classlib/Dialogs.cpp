// File dialogs over QFileDialog, behind a seam that tests answer.
#include "classlib/Dialogs.h"

#include "platform/fileapi.h"
#include "platform/qtnames.h"

#include <QFileDialog>
#include <QString>
#include <QStringList>

namespace {

TFileDialogHandler& dialogHandler() {
    static TFileDialogHandler h;
    return h;
}

QString q(const String& s) { return QString::fromUtf8(s.c_str()); }

std::vector<String> split(const String& s, char sep) {
    std::vector<String> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t p = s.find(sep, start);
        out.push_back(s.substr(start, p == String::npos ? String::npos : p - start));
        if (p == String::npos) break;
        start = p + 1;
    }
    return out;
}

// Wildcard masks match without regard to case: each mask is offered in both cases.
QString masksFor(const String& mask) {
    QStringList out;
    for (const String& m : split(mask, ';')) {
        const QString t = q(m).trimmed();
        if (t.isEmpty()) continue;
        for (const QString& v : {t, t.toLower(), t.toUpper()})
            if (!out.contains(v)) out << v;
    }
    return out.join(QLatin1Char(' '));
}

bool runQtDialog(TOpenDialog* d, TFileDialogAnswer& answer) {
    QFileDialog dlg(nullptr, q(d->Title()), q(d->InitialDir()));
    const QStringList filters = FilterToQtNameFilters(d->Filter());
    if (!filters.isEmpty()) {
        dlg.setNameFilters(filters);
        const int i = d->FilterIndex() - 1;
        if (i >= 0 && i < filters.size()) dlg.selectNameFilter(filters[i]);
    }
    if (d->IsSaveDialog()) {
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setFileMode(QFileDialog::AnyFile);
        if (!(d->Options() & ofOverwritePrompt)) dlg.setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        dlg.setFileMode((d->Options() & ofAllowMultiSelect) ? QFileDialog::ExistingFiles
                                                              : QFileDialog::ExistingFile);
    }
    if (!d->DefaultExt().empty()) dlg.setDefaultSuffix(q(d->DefaultExt()));
    if (!d->FileName().empty()) dlg.selectFile(q(d->FileName()));
    if (dlg.exec() != QDialog::Accepted) return false;
    // The real names of the files, also where they are not UTF-8.
    for (const QString& f : dlg.selectedFiles()) answer.Names.push_back(platform::fileNameToAnsi(platform::fileNameFromQt(f)));
    answer.FilterIndex = std::max(1, static_cast<int>(filters.indexOf(dlg.selectedNameFilter())) + 1);
    return !answer.Names.empty();
}

}  // namespace

TFileDialogHandler SetFileDialogHandler(TFileDialogHandler Handler) {
    TFileDialogHandler old = std::move(dialogHandler());
    dialogHandler() = std::move(Handler);
    return old;
}

QStringList FilterToQtNameFilters(const String& Filter) {
    QStringList out;
    const std::vector<String> parts = split(Filter, '|');
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
        out << q(parts[i]).trimmed() + QStringLiteral(" (") + masksFor(parts[i + 1]) + QLatin1Char(')');
    return out;
}

TOpenDialog::TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner), FFiles(new TStringList) {}

TOpenDialog::~TOpenDialog() { delete FFiles; }

std::vector<std::pair<String, String>> TOpenDialog::FilterEntries() const {
    std::vector<std::pair<String, String>> out;
    if (FFilter.empty()) return out;
    const std::vector<String> parts = split(FFilter, '|');
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) out.emplace_back(parts[i], parts[i + 1]);
    return out;
}

void TOpenDialog::Accept(const std::vector<String>& names, int filterIndex) {
    FFiles->Clear();
    for (String name : names) {
        if (!FDefaultExt.empty()) {
            const std::size_t slash = name.rfind('/');
            const std::size_t base = slash == String::npos ? 0 : slash + 1;
            if (name.find('.', base) == String::npos) {
                String ext = FDefaultExt;
                if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
                name += "." + ext;
            }
        }
        FFiles->Add(name);
    }
    FFileName = FFiles->Count() > 0 ? FFiles->Strings(0) : String();
    const int entries = static_cast<int>(FilterEntries().size());
    if (filterIndex >= 1 && (entries == 0 || filterIndex <= entries)) FFilterIndex = filterIndex;
}

bool TOpenDialog::Execute() {
    if (OnShow) OnShow(this);
    TFileDialogAnswer answer;
    answer.FilterIndex = FFilterIndex;
    const bool ok = dialogHandler() ? dialogHandler()(this, answer) : runQtDialog(this, answer);
    if (ok && !answer.Names.empty()) Accept(answer.Names, answer.FilterIndex);
    if (OnClose) OnClose(this);
    return ok && !answer.Names.empty();
}

