// Writes the meshes and images that the scenes read from resources/.
//   make_resources <output folder>
#include "Meshes.h"
#include "Textures.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <string>

namespace {

const int jpegQuality = 90;

bool writeMesh(const QString& folder, const char* name, const ObjMesh& mesh, const char* comment)
{
    const std::string path = (folder + "/" + name).toStdString();
    if (mesh.write(path, comment))
        return true;
    std::fprintf(stderr, "make_resources: cannot write %s\n", path.c_str());
    return false;
}

bool writeImage(const QString& folder, const char* name, const QImage& image)
{
    const QString path = folder + "/" + name;
    if (image.save(path, "JPG", jpegQuality))
        return true;
    std::fprintf(stderr, "make_resources: cannot write %s\n", path.toStdString().c_str());
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    // The application object lets Qt find its JPEG plugin; no display needed.
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_resources <output folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "make_resources: cannot create %s\n", argv[1]);
        return 1;
    }
    bool ok = true;
    ok &= writeMesh(folder, "cloth_mesh.obj", makeCloth(), "cloth hanging from the pole (the x axis)");
    ok &= writeMesh(folder, "cylinder.obj", makeCylinder(), "thin cylindrical shell, axis upright");
    ok &= writeMesh(folder, "plate.obj", makePlate(), "thin plate standing out from the wall x = -10");
    ok &= writeImage(folder, "ground.jpg", makeGround());
    ok &= writeImage(folder, "cloth_texture.jpg", makeFabric());
    ok &= writeImage(folder, "plastic.jpg", makePlastic());
    ok &= writeImage(folder, "metal.jpg", makeMetal());
    ok &= writeImage(folder, "stone.jpg", makeStone());
    return ok ? 0 : 1;
}
