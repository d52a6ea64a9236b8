#pragma once
// The form with one saved product shown (category "01", product "A-1", ID 10), and the
// helpers the document tests share: files made in the test's folder, button clicks.

#include "formfixture.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTest>

namespace zeva::testing {

class DocumentsFixture : public FormFixture {
protected:
    // The product shown on `page` (5 pictures, 7 documents), with the upload limits given.
    void showProduct(int page, int drawingLimit = 0, int pictureLimit = 0)
    {
        for (const auto &[attribute, limit] : {std::pair{"limitdrawing", drawingLimit}, std::pair{"limitpicture", pictureLimit}}) {
            if (limit > 0)
                exec(QStringLiteral("INSERT INTO xt_billattribute (ProgID, attribute, caption, text) VALUES (200008, '%1', '', '%2')")
                         .arg(QString::fromLatin1(attribute)).arg(limit));
        }
        addCategory(1, QStringLiteral("01"), QStringLiteral("机加件"));
        addProduct(10, QStringLiteral("A-1"), QStringLiteral("轴"), 1, QStringLiteral("库存单位"), QStringLiteral("'个'"));
        ASSERT_TRUE(init());
        ASSERT_TRUE(form->IFormUI_Refresh());
        clickNode(QStringLiteral("wA-1"));
        form->Toolbar1_ButtonClick(page);
        QApplication::processEvents();
        takeEvents();
        desktop->clearRecords();
    }

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return path;
    }

    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    static void click(QPushButton *button)
    {
        ASSERT_TRUE(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        QApplication::processEvents();
    }

    // Every dialog so far as "kind|style|title|text|answer".
    QStringList dialogs() const
    {
        QStringList lines;
        for (const auto &r : desktop->records())
            lines << QStringLiteral("%1|%2|%3|%4|%5").arg(r.kind).arg(r.style).arg(r.title, r.text, r.answer);
        return lines;
    }

    FormControls &controls() { return form->state().controls; }
};

} // namespace zeva::testing
