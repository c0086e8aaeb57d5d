// The program's entry: the application object, the windows created at start, and the
// message loop. Closing the poster window (the main form) ends the program.
#include "classlib/Forms.h"
#include "editor/Main.h"
#include "poster/PosterUnit.h"
#include "poster/RenderSizeUnit.h"
#include "poster/Quality.h"
#include "shell/ThreadPool.h"
#include "widetext/WideForms.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InitApplication();
    // The wide-text layer: its message hook, wide titles and hints, before any window.
    TWideApplicationSession wide;
    // The shell controls' worker pools live inside the application object's lifetime.
    TShellThreadPools pools;
    Application->SetTitle("Tessellon 4.5");
    Application->HelpFile = String();
    // The windows created at start, in this order, each reached through its global variable.
    Application->CreateForm(MainForm);        // the poster window, the main form
    Application->CreateForm(DIBMainForm);     // the picture editor
    Application->CreateForm(RenderSizeForm);  // the vector-import dialog
    Application->CreateForm(QualityForm);     // the quality dialog
    // The poster window hands its picture to the editor ("Chromalde...").
    MainForm->PictureEditor = DIBMainForm;
    DIBMainForm->ZoomBtnClick(DIBMainForm);  // the editor shows its first tool's options
    Application->Run();
    return 0;
}
