#pragma once
// The pictures of the user guide, rendered from the program's own windows (the real main window,
// pages and dialogs) in the language that is loaded. Each picture is one line of the table in
// HelpPictures.cpp; a document names it with "@picture NAME caption".
#include <QImage>
#include <QString>
#include <vector>

class CTR52Dlg;

namespace qda::help {

// Renders picture `name` with the main window `main` at the device pixel ratio of the screen (the
// image carries it). A null image for a name the table does not know.
QImage RenderPicture(const QString& name, CTR52Dlg& main);

// The names the table knows.
std::vector<QString> KnownPictures();

}  // namespace qda::help
