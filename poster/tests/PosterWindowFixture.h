// A poster window in a temporary program folder, with scripted message boxes; closed and
// freed without its quit question after each test.
#pragma once

#include "platform/msgbox.h"
#include "poster/PosterUnit.h"
#include "poster/ProgramFolder.h"
#include "testsupport/TestSupport.h"

#include <QAbstractScrollArea>
#include <QTest>
#include <QWidget>

#include <vector>

#include <gtest/gtest.h>

class PosterWindowFixture : public ::testing::Test {
protected:
    void SetUp() override { programfolder::setFolderForTesting(dir.path(), true); }
    void TearDown() override {
        if (form) {
            form->OnCloseQuery = {};
            form->OnClose = {};
            form->Free();
        }
        MainForm = nullptr;
        programfolder::setFolderForTesting("");
    }
    TMainForm* create() {
        form = new TMainForm(Application);
        MainForm = form;
        form->DoCreate();
        return form;
    }
    static QWidget* widgetOf(TWinControl* c) { return platform::windowWidget(c->Handle()); }
    // The files the file list shows (its folders left out), as file-name bytes.
    std::vector<String> listedFiles() const {
        std::vector<String> r;
        TNavShellList* list = form->NavShellList1;
        for (int i = 0; i < list->Items()->Count(); ++i) {
            TNavShellListItem* item = list->Item(i);
            if (!item->List) continue;
            list->Browser()->SetObjectPidl(item->List.get());
            if (!list->Browser()->IsFolder()) r.push_back(platform::wideToFileName(list->Browser()->ObjectName()));
        }
        return r;
    }
    // The index of the file list's item of that file name; -1 when it is not listed.
    int listIndexOf(const String& Name) const {
        TNavShellList* list = form->NavShellList1;
        for (int i = 0; i < list->Items()->Count(); ++i) {
            TNavShellListItem* item = list->Item(i);
            if (!item->List) continue;
            list->Browser()->SetObjectPidl(item->List.get());
            if (platform::wideToFileName(list->Browser()->ObjectName()) == Name) return i;
        }
        return -1;
    }
    // Where the mouse meets the label of item `index` of the file list.
    QWidget* listViewport() const {
        auto* area = qobject_cast<QAbstractScrollArea*>(widgetOf(form->NavShellList1));
        return area ? area->viewport() : nullptr;
    }
    QPoint listItemPoint(int index) const {
        RECT rc{LVIR_LABEL, 0, 0, 0};
        SendMessageW(form->NavShellList1->Handle(), LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rc));
        const QPoint client((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        return listViewport()->mapFrom(widgetOf(form->NavShellList1), client);
    }
    // A double click on the file of that name in the file list, as the mouse gives it.
    void doubleClickFile(const String& Name) {
        const int index = listIndexOf(Name);
        ASSERT_GE(index, 0) << Name << " is listed";
        form->NavShellList1->Item(index)->MakeVisible(false);
        QApplication::processEvents();
        const QPoint at = listItemPoint(index);
        QTest::mouseClick(listViewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(listViewport(), Qt::LeftButton, Qt::NoModifier, at);
        QApplication::processEvents();
    }
    // Chooses entry `entry` of the filter as the user does.
    void chooseFilter(int entry) {
        form->FilterComboBox1->SetItemIndex(entry);
        form->FilterComboBox1->OnChange(form->FilterComboBox1);
    }

    testsupport::TempDir dir;
    platform::ScriptedMessageBoxes boxes{IDOK};
    TMainForm* form = nullptr;
};
