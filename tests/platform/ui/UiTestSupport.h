#pragma once
// Shared by the window layer's tests: the toolkit up (offscreen), and images the tests
// register as module resources.
#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <memory>
#include <vector>

#include "platform/classes/Resources.h"
#include "platform/ui/UserInterface.h"

inline void StartToolkit() {
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    InitUserInterface(argc, argv);
}

// Registers (once) an image of the size in the format ("JPG", "PNG") as resource name.
inline void RegisterImageResource(const char* name, int width, int height, const char* format) {
    if (ModuleResourceExists(name))
        return;
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(30, 90, 160));
    // Kept for the process: resources point at their bytes.
    static auto* kept = new std::vector<std::unique_ptr<QByteArray>>;
    QByteArray* bytes = kept->emplace_back(std::make_unique<QByteArray>()).get();
    QBuffer buffer(bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    RegisterModuleResource(name, reinterpret_cast<const unsigned char*>(bytes->constData()),
                           static_cast<size_t>(bytes->size()));
}
