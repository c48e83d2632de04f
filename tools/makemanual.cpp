// Turns the Markdown user manual with its pictures into the PDF that "Using this Device"
// opens: makemanual MANUAL.md OUTPUT.pdf
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QList>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <cstdio>

namespace {

// Widest picture, in the document's pixels at 96 per inch: the width of an A4 page
// inside the 2 cm margins that printing adds.
constexpr qreal kMaxImageWidth = (210.0 - 40.0) / 25.4 * 96.0;

// Loads every picture the text names, relative to the manual's folder, and scales the
// wide ones down to the page. Answers false when a picture cannot be read.
bool loadImages(QTextDocument& document, const QString& folder) {
    struct Picture {
        int position, length;
        QTextImageFormat format;
    };
    QList<Picture> pictures;
    QList<QTextBlock> chapters;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 2) chapters.append(block);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().isImageFormat())
                pictures.append({fragment.position(), fragment.length(),
                                 fragment.charFormat().toImageFormat()});
        }
    }
    // Each chapter starts a page, which keeps its pictures with its text.
    for (const QTextBlock& chapter : chapters) {
        QTextBlockFormat format = chapter.blockFormat();
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        QTextCursor(chapter).setBlockFormat(format);
    }
    bool allRead = true;
    for (Picture& picture : pictures) {
        const QString name = picture.format.name();
        const QImage image(folder + QLatin1Char('/') + name);
        if (image.isNull()) {
            std::fprintf(stderr, "makemanual: cannot read the picture %s\n", qPrintable(name));
            allRead = false;
            continue;
        }
        document.addResource(QTextDocument::ImageResource, QUrl(name), image);
        const qreal width = qMin<qreal>(image.width(), kMaxImageWidth);
        picture.format.setWidth(width);
        picture.format.setHeight(width * image.height() / image.width());
        QTextCursor cursor(&document);
        cursor.setPosition(picture.position);
        cursor.setPosition(picture.position + picture.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(picture.format);
    }
    return allRead;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: makemanual MANUAL.md OUTPUT.pdf\n");
        return 2;
    }
    QFile source(arguments[1]);
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "makemanual: cannot read %s\n", qPrintable(arguments[1]));
        return 1;
    }
    QTextDocument document;
    QFont font = document.defaultFont();
    font.setPointSizeF(10.5);
    document.setDefaultFont(font);
    document.setMarkdown(QString::fromUtf8(source.readAll()));
    if (!loadImages(document, QFileInfo(source).absolutePath())) return 1;

    QPdfWriter writer(arguments[2]);
    writer.setTitle(QStringLiteral("The Paranormal Nuvo: User Manual"));
    writer.setCreator(QStringLiteral("Orrindale LLC."));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, {}));
    // Printing an unpaginated document adds the margins and numbers the pages.
    document.print(&writer);
    if (QFileInfo(arguments[2]).size() == 0) {
        std::fprintf(stderr, "makemanual: cannot write %s\n", qPrintable(arguments[2]));
        return 1;
    }
    return 0;
}
