#include "platform/fso/SaveTextFile.h"

#include "platform/fso/FileSystemObject.h"
#include "platform/ui/ErrorMessage.h"
#include "platform/vb/Err.h"

bool SaveTextFile(const QString& path, const QString& text, std::int16_t openMode)
{
    fso::TextStreamPtr stream;
    try {
        fso::FileSystemObject fs;
        stream = fs.OpenTextFile(path, fso::IOMode(openMode), true);
        stream->Write(text);
        stream->Close();
        return true;
    } catch (...) {
        const vb::ErrObject& e = vb::CatchError();
        if (e.Number != 0)
            ui::ShowErrorMessage(e.Number, e.Description, QString(),
                                 QStringLiteral("Save Text File:") + path);
        if (stream) {
            try {
                stream->Close();
            } catch (...) {
                vb::CatchError();
            }
        }
        return false;
    }
}
