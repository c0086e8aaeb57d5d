// Fuzzes the wide tree view's "Utf8Data" reader: any bytes give nodes or the class
// library's read error, and what was read writes back to data that reads to the same nodes.
#include "classlib/Forms.h"
#include "widetext/WideComCtrls.h"

#include <QApplication>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

TWideTreeView* tree() {
    static TForm* form = [] {
        auto* f = new TForm(nullptr);
        f->SetBounds(0, 0, 200, 200);
        return f;
    }();
    static TWideTreeView* view = [] {
        auto* t = new TWideTreeView(form);
        t->SetParent(form);
        t->SetBounds(0, 0, 200, 200);
        t->HandleNeeded();
        return t;
    }();
    return view;
}

std::vector<WideString> texts(TWideTreeView* t) {
    std::vector<WideString> out;
    for (TWideTreeNode* n = t->Items()->GetFirstNode(); n; n = n->GetNext()) out.push_back(n->Text());
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication app(*argc, *argv);
    InitApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMemoryStream in;
    if (size) in.WriteBuffer(data, static_cast<Int64>(size));
    in.SetPosition(0);
    try {
        tree()->Items()->ReadUtf8Data(&in);
    } catch (const EReadError&) {
        return 0;
    }
    const std::vector<WideString> first = texts(tree());
    TMemoryStream out;
    tree()->Items()->WriteUtf8Data(&out);
    out.SetPosition(0);
    tree()->Items()->ReadUtf8Data(&out);
    // Texts longer than a record holds come back cut, the rest as they were.
    const std::vector<WideString> second = texts(tree());
    if (second.size() != first.size()) std::abort();
    for (std::size_t i = 0; i < first.size(); ++i)
        if (first[i].compare(0, second[i].size(), second[i]) != 0) std::abort();
    return 0;
}
