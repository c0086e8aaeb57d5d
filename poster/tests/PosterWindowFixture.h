// A poster window in a temporary program folder, with scripted message boxes; closed and
// freed without its quit question after each test.
#pragma once

#include "platform/msgbox.h"
#include "poster/PosterUnit.h"
#include "poster/ProgramFolder.h"
#include "testsupport/TestSupport.h"

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
    // The names the file list shows.
    std::vector<String> listedFiles() const {
        std::vector<String> r;
        for (int i = 0; i < form->FileListBox1->Items()->Count(); ++i)
            r.push_back(form->FileListBox1->Items()->Strings(i));
        return r;
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
