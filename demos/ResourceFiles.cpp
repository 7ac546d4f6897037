#include "demos/ResourceFiles.h"

#include <iostream>

#include <QCoreApplication>
#include <QGLWidget>

#include "scenes/SceneSetup.h"

std::string resourceFolder()
{
    return (QCoreApplication::applicationDirPath() + "/resources").toStdString();
}

QImage loadResourceImage(const std::string& file, std::vector<std::string>& problems)
{
    const QImage image(QString::fromStdString(resourceFolder() + "/" + file));
    if (!image.isNull())
        return QGLWidget::convertToGLFormat(image);
    problems.push_back("cannot read " + resourceName(file));
    std::cerr << problems.back() << std::endl;
    return QImage();
}
