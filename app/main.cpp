// The program's entry: the application object, the poster window as the main form, and
// the message loop. Closing the poster window ends the program.
#include "classlib/Forms.h"
#include "poster/PosterUnit.h"
#include "shell/ThreadPool.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InitApplication();
    // The shell controls' worker pools live inside the application object's lifetime.
    TShellThreadPools pools;
    Application->SetTitle("Tessellon 4.5");
    Application->HelpFile = String();
    Application->CreateForm(MainForm);
    // The editor window, the vector-import dialog and the quality dialog join here when
    // they are built.
    Application->Run();
    return 0;
}
