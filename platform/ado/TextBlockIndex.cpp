#include "platform/ado/TextBlockIndex.h"

#include "platform/ado/Ado.h"
#include "platform/ado/TextProvider.h"

#include <QDateTime>
#include <QFileInfo>
#include <algorithm>

namespace ado {

namespace {

qint64 gIndexThreshold = 256 * 1024;
constexpr size_t kMaxIndexKeys = size_t(1) << 20;

} // namespace

void SetTextIndexThreshold(qint64 bytes)
{
    gIndexThreshold = bytes;
}

namespace text {

std::shared_ptr<TextSource> TextSource::Open(const QString& path, const QString& properties, Cache& cache)
{
    const QFileInfo fi(path);
    if (!fi.exists() || fi.isDir())
        Raise(errnum::JetFailure,
              QStringLiteral("The Microsoft Jet database engine could not find the object '%1'.  Make sure "
                             "the object exists and that you spell its name and the path name correctly.")
                  .arg(fi.fileName()),
              JetSource());
    const files::TextOptions options = files::TextOptions::fromExtendedProperties(properties);
    const QString key = QStringLiteral("%1|%2|%3|%4|%5|%6")
                            .arg(fi.absoluteFilePath())
                            .arg(fi.size())
                            .arg(fi.lastModified().toMSecsSinceEpoch())
                            .arg(options.header ? 1 : 0)
                            .arg(int(options.delimiter))
                            .arg(options.lineRecords ? 1 : 0);
    if (auto s = cache.value(key).lock()) return s;
    std::shared_ptr<TextSource> s(new TextSource(path, options, fi.size()));
    for (auto it = cache.begin(); it != cache.end();)
        it = it.value().expired() ? cache.erase(it) : std::next(it);
    cache.insert(key, s);
    return s;
}

std::unique_ptr<IndexBuilder> TextSource::builder(int column, int prefix, bool guess) const
{
    if (column < 0 || m_size < gIndexThreshold || m_indexes.count(key(column, prefix))) return nullptr;
    // Blocks small enough that a short run of one value costs little
    // beyond its own records, few enough that a value's list stays short.
    const qint64 blockBytes = std::clamp<qint64>(m_size / 8192, 4096, 65536);
    return std::make_unique<IndexBuilder>(blockBytes, prefix, guess ? kMaxGuessedKeys : kMaxIndexKeys);
}

void TextSource::keep(int column, IndexBuilder& builder, bool guess)
{
    const quint64 k = key(column, builder.prefix());
    if (m_indexes.count(k)) return;
    if (builder.failed() && guess) return;
    m_indexes.emplace(k, builder.take());
}

} // namespace text

} // namespace ado
