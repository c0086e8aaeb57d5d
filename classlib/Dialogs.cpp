// File dialogs over QFileDialog and the font dialog over QFontDialog, behind seams that
// tests answer.
#include "classlib/Dialogs.h"

#include "classlib/Forms.h"
#include "platform/fileapi.h"
#include "platform/qtnames.h"

#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

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


// ---- TFontDialog ----

namespace {

TFontDialogHandler& fontHandler() {
    static TFontDialogHandler h;
    return h;
}

QWidget* activeFormWidget() {
    if (Screen && Screen->ActiveForm() && Screen->ActiveForm()->HandleAllocated())
        return platform::windowWidget(Screen->ActiveForm()->Handle());
    return nullptr;
}

QFont qfontOf(const TFont* f) {
    QFont q(QString::fromUtf8(f->Name().c_str()));
    if (f->Height() < 0) q.setPointSizeF(std::max(1.0, -f->Height() * 72.0 / f->PixelsPerInch));
    else if (f->Height() > 0) q.setPixelSize(f->Height());
    const TFontStyles st = f->Style();
    q.setBold(st & fsBold);
    q.setItalic(st & fsItalic);
    q.setUnderline(st & fsUnderline);
    q.setStrikeOut(st & fsStrikeOut);
    return q;
}

// Name, size and style of the font shown; the size kept within the dialog's limits.
void takeFont(TFontDialog* d, const QFont& q, TFont* into) {
    into->SetName(q.family().toUtf8().toStdString());
    int size = q.pointSizeF() > 0 ? static_cast<int>(std::nearbyint(q.pointSizeF()))
                                  : static_cast<int>(std::nearbyint(q.pixelSize() * 72.0 / into->PixelsPerInch));
    if ((d->Options() & fdLimitSize) && d->MinFontSize() > 0) size = std::max(size, d->MinFontSize());
    if ((d->Options() & fdLimitSize) && d->MaxFontSize() > 0) size = std::min(size, d->MaxFontSize());
    into->SetSize(std::max(1, size));
    TFontStyles st = 0;
    if (q.bold()) st |= fsBold;
    if (q.italic()) st |= fsItalic;
    if (q.underline()) st |= fsUnderline;
    if (q.strikeOut()) st |= fsStrikeOut;
    into->SetStyle(st);
}

bool runFontDialog(TFontDialog* d) {
    QDialog dialog(activeFormWidget());
    dialog.setObjectName(QStringLiteral("TFontDialogWindow"));
    dialog.setWindowTitle(QStringLiteral("Font"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* fonts = new QFontDialog(&dialog);
    fonts->setObjectName(QStringLiteral("Fonts"));
    fonts->setWindowFlags(Qt::Widget);
    QFontDialog::FontDialogOptions o = QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog;
    if (d->Options() & fdScalableOnly) o |= QFontDialog::ScalableFonts;
    if (d->Options() & fdFixedPitchOnly) o |= QFontDialog::MonospacedFonts;
    fonts->setOptions(o);
    fonts->setCurrentFont(qfontOf(d->Font()));
    fonts->setVisible(true);
    layout->addWidget(fonts);
    auto* row = new QHBoxLayout;
    // The colour: a button showing it that opens the colour dialog.
    const COLORREF start = ColorToRGB(d->Font()->Color());
    QColor colour(GetRValue(start), GetGValue(start), GetBValue(start));
    bool colourChosen = false;
    if (d->Options() & fdEffects) {
        auto* button = new QPushButton(QStringLiteral("Colour..."), &dialog);
        button->setObjectName(QStringLiteral("ColourButton"));
        auto show = [button, &colour] {
            button->setStyleSheet(QStringLiteral("QPushButton { border-left: 16px solid %1; padding: 4px 8px; }")
                                      .arg(colour.name()));
        };
        show();
        QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog, &colour, &colourChosen, show] {
            QColorDialog pick(colour, &dialog);
            pick.setOption(QColorDialog::DontUseNativeDialog);
            pick.setWindowTitle(QStringLiteral("Colour"));
            if (pick.exec() != QDialog::Accepted) return;
            colour = pick.selectedColor();
            colourChosen = true;
            show();
        });
        row->addWidget(button);
    }
    row->addStretch(1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    if (d->Options() & fdApplyButton) {
        QPushButton* apply = buttons->addButton(QDialogButtonBox::Apply);
        QObject::connect(apply, &QPushButton::clicked, &dialog, [d, fonts, &colour, &colourChosen] {
            takeFont(d, fonts->currentFont(), d->Font());
            if (colourChosen) d->Font()->SetColor(static_cast<TColor>(RGB(colour.red(), colour.green(), colour.blue())));
            if (d->OnApply) d->OnApply(d);
        });
    }
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    row->addWidget(buttons);
    layout->addLayout(row);
    if (dialog.exec() != QDialog::Accepted) return false;
    takeFont(d, fonts->currentFont(), d->Font());
    if (colourChosen) d->Font()->SetColor(static_cast<TColor>(RGB(colour.red(), colour.green(), colour.blue())));
    return true;
}

}  // namespace

TFontDialogHandler SetFontDialogHandler(TFontDialogHandler Handler) {
    TFontDialogHandler old = std::move(fontHandler());
    fontHandler() = std::move(Handler);
    return old;
}

TFontDialog::TFontDialog(TComponent* AOwner) : TCommonDialog(AOwner), FFont(new TFont) {}

TFontDialog::~TFontDialog() { delete FFont; }

bool TFontDialog::Execute() {
    if (OnShow) OnShow(this);
    // The dialog works on a copy: a cancelled dialog leaves the font as it was.
    TFont keep;
    keep.Assign(FFont);
    const bool ok = fontHandler() ? fontHandler()(this) : runFontDialog(this);
    if (!ok) FFont->Assign(&keep);
    if (OnClose) OnClose(this);
    return ok;
}
