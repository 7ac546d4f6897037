#pragma once

#include <QDir>
#include <QFile>
#include <QString>

// Copies the program and its resources into `folder`, leaving out the
// resource file `missing`, and returns the copy's path: the program as
// installed without that file. Needs ZARVO_DEMO_PATH and ZARVO_RESOURCES_DIR.
inline QString copyProgramWithout(const QString& folder, const QString& missing)
{
    const QString program = folder + "/zarvo-demo";
    QFile::copy(ZARVO_DEMO_PATH, program);
    QFile::setPermissions(program, QFile::permissions(ZARVO_DEMO_PATH));
    QDir().mkpath(folder + "/resources");
    const QDir resources(ZARVO_RESOURCES_DIR);
    for (const QString& file : resources.entryList(QDir::Files))
        if (file != missing)
            QFile::copy(resources.filePath(file), folder + "/resources/" + file);
    return program;
}
