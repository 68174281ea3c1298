#pragma once

#include <QIcon>

#include <map>
#include <string>

// The button pictures, each loaded once per run and kept. A picture is looked
// up by file name ("index_24.gif", "index_24_click.gif"): first in the
// override folder (the "image" folder of the application folder), then among
// the pictures built into the program. The "@2x" variant of the same name, from
// the same place, is added for screens scaled by two. An override file that
// cannot be read leaves the built-in picture in place. A picture found nowhere
// gives a null icon (the button then shows its tooltip text). GUI thread only.
class ImageGO {
public:
    // `overrideFolder` may be empty or missing: then only the built-in pictures
    // count. `builtInFolder` is where the program keeps its own pictures.
    explicit ImageGO(std::string overrideFolder, std::string builtInFolder = ":/image");

    const QIcon& getImage(const std::string& name);

    // "index_24.gif" or "index_24_click.gif".
    static std::string buttonPicture(int number, bool pressed);

private:
    QIcon load(const std::string& name) const;
    static QIcon loadFrom(const QString& folder, const QString& name);

    std::string m_overrideFolder;
    std::string m_builtInFolder;
    std::map<std::string, QIcon> m_cache;
};
