// A picture placed into a document (an EMF, a PNG, a JPEG or any picture format
// the reader knows), alone and in a table cell, and the document written.
#include "FuzzSupport.h"

#include "platform/DocWriter.h"

#include <QGuiApplication>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_doc_pictures";
    static char* argv[] = {name, nullptr};
    static bool offscreen = ::setenv("QT_QPA_PLATFORM", "offscreen", 0) == 0; // no display needed
    static QGuiApplication* app = new QGuiApplication(argc, argv); // the picture readers need one
    (void)offscreen;
    (void)app;
    fuzz::Init();
    const std::string picture = fuzz::WriteFile("imagen.emf", std::string(reinterpret_cast<const char*>(data), size));
    DocWriter::TDocWriter doc;
    DocWriter::PictureBox box;
    doc.AddPicture(picture, box);
    box.widthIn = 2.0;
    doc.AddPicture(picture, box);
    doc.SaveAs(fuzz::Dir() + "/documento.doc");
    return 0;
}
