#pragma once

#include <QIcon>

#include <map>
#include <string>

// The button pictures, each loaded once per run and kept. A picture is looked
// up by file name ("index_24.gif", "index_24_click.gif"): first in the
// override folder (the "image" folder of the application folder), then among
// the pictures built into the program. The "@2x" variant of the same name, from
// the same place, is added for screens scaled by two. A picture found nowhere
// gives a null icon (the button then shows its tooltip text). GUI thread only.
class ImageGO {
public:
    // `overrideFolder` may be empty or missing: then only the built-in pictures count.
    explicit ImageGO(std::string overrideFolder);

    const QIcon& getImage(const std::string& name);

    // "index_24.gif" or "index_24_click.gif".
    static std::string buttonPicture(int number, bool pressed);

private:
    QIcon load(const std::string& name) const;

    std::string m_overrideFolder;
    std::map<std::string, QIcon> m_cache;
};
