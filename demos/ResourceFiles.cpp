#include "demos/ResourceFiles.h"

#include <iostream>

#include <QCoreApplication>
#include <QGLWidget>

#include "scenes/SceneSetup.h"

std::string resourceFolder()
{
    return (QCoreApplication::applicationDirPath() + "/resources").toStdString();
}

namespace {

QImage loadImage(const std::string& path, const std::string& name, std::vector<std::string>& problems)
{
    const QImage image(QString::fromStdString(path));
    if (!image.isNull())
        return QGLWidget::convertToGLFormat(image);
    problems.push_back("cannot read " + name);
    std::cerr << problems.back() << std::endl;
    return QImage();
}

} // namespace

QImage loadResourceImage(const std::string& file, std::vector<std::string>& problems)
{
    return loadImage(resourceFolder() + "/" + file, resourceName(file), problems);
}

QImage loadImageFile(const std::string& path, std::vector<std::string>& problems)
{
    return loadImage(path, path, problems);
}
