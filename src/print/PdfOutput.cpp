// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/PdfOutput.h"

#include "core/io/SafeFile.h"
#include "core/print/PdfFile.h"

#include <QFile>

quill::IoResult WritePdfFile(const std::string& path, const std::function<bool(const QString& file)>& paint)
{
    quill::SafeFile::Options options;
    options.byPath = true;  // the painter opens the file by its name
    quill::SafeFile file(path, options);
    if (quill::IoResult r = file.open(); !r)
        return r;
    const std::string& temporary = file.temporaryPath();
    if (!paint(QFile::decodeName(QByteArray::fromStdString(temporary))))
        return quill::IncompleteWrite(temporary);  // the partial file goes with `file`
    if (quill::IoResult r = quill::CheckPdfComplete(temporary); !r)
        return r;
    return file.commit();
}
