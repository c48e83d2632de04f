#include "ecm/vocabulary.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace nuvo {

namespace {

// The lists are part of the program, not user data: a damaged or short resource is a
// build fault, so it stops the program instead of handing out a list with holes.
QStringList loadResource(const QString& path, qsizetype expectedSize) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("Built-in list %s is missing from the resources", qPrintable(path));
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        qFatal("Built-in list %s is not a JSON array: %s at offset %d", qPrintable(path),
               qPrintable(error.errorString()), error.offset);
    }
    const QJsonArray array = document.array();
    QStringList list;
    list.reserve(array.size());
    for (const QJsonValue& value : array) {
        if (!value.isString()) {
            qFatal("Built-in list %s has a non-text entry at position %lld", qPrintable(path),
                   static_cast<long long>(list.size()));
        }
        list.append(value.toString());
    }
    if (list.size() != expectedSize) {
        qFatal("Built-in list %s has %lld entries instead of %lld", qPrintable(path),
               static_cast<long long>(list.size()), static_cast<long long>(expectedSize));
    }
    return list;
}

}  // namespace

QStringList defaultWordList() {
    static const QStringList list = loadResource(QStringLiteral(":/words-default.json"), 2050);
    return list;
}

QStringList proWordList() {
    static const QStringList list = loadResource(QStringLiteral(":/words-pro.json"), 2050);
    return list;
}

QStringList phonemeBlock() {
    static const QStringList list = loadResource(QStringLiteral(":/phonemes.json"), 270);
    return list;
}

}  // namespace nuvo
