// Writes the meshes and images that the scenes read from resources/, and the
// program's icon for desktop menus.
//   make_resources <resource folder> <icon folder>
#include "Icon.h"
#include "Meshes.h"
#include "Textures.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <string>

namespace {

const int jpegQuality = 90;
const int iconSize = 128;

bool writeMesh(const QString& folder, const char* name, const ObjMesh& mesh, const char* comment)
{
    const std::string path = (folder + "/" + name).toStdString();
    if (mesh.write(path, comment))
        return true;
    std::fprintf(stderr, "make_resources: cannot write %s\n", path.c_str());
    return false;
}

bool writeImage(const QString& folder, const char* name, const QImage& image,
                const char* format = "JPG", int quality = jpegQuality)
{
    const QString path = folder + "/" + name;
    if (image.save(path, format, quality))
        return true;
    std::fprintf(stderr, "make_resources: cannot write %s\n", path.toStdString().c_str());
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    // The application object lets Qt find its JPEG plugin; no display needed.
    QCoreApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_resources <resource folder> <icon folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString iconFolder = QString::fromLocal8Bit(argv[2]);
    for (int i = 1; i < 3; ++i) {
        if (!QDir().mkpath(QString::fromLocal8Bit(argv[i]))) {
            std::fprintf(stderr, "make_resources: cannot create %s\n", argv[i]);
            return 1;
        }
    }
    bool ok = true;
    ok &= writeMesh(folder, "cloth_mesh.obj", makeCloth(), "cloth hanging from the pole (the x axis)");
    ok &= writeMesh(folder, "cylinder.obj", makeCylinder(), "thin cylindrical shell, axis upright");
    ok &= writeMesh(folder, "plate.obj", makePlate(), "thin plate standing out from the wall x = -10");
    ok &= writeMesh(folder, "tablecloth.obj", makeTablecloth(), "tablecloth level over the round table");
    ok &= writeMesh(folder, "round_table.obj", makeRoundTable(), "round table standing on the floor y = 0");
    ok &= writeMesh(folder, "curtain.obj", makeCurtain(), "curtain hanging from its top row");
    ok &= writeMesh(folder, "quadruped.obj", makeQuadruped(), "quadruped standing on the floor y = 0");
    ok &= writeImage(folder, "ground.jpg", makeGround());
    const QImage fabric = makeFabric();
    ok &= writeImage(folder, "cloth_texture.jpg", fabric);
    ok &= writeImage(folder, "plastic.jpg", makePlastic());
    ok &= writeImage(folder, "metal.jpg", makeMetal());
    ok &= writeImage(folder, "stone.jpg", makeStone());
    // PNG keeps the icon's transparent background; -1 is Qt's default compression.
    ok &= writeImage(iconFolder, "zarvo-demo.png", makeIcon(fabric, iconSize), "PNG", -1);
    return ok ? 0 : 1;
}
