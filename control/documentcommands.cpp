// The picture and drawing pages' commands: the buttons, the list's double-click, the
// picture's double-click and the description's edits, each handed to its store.

#include "drawingcontrol.h"

#include "kvtxts.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace zeva {

namespace {

// Opens the picture on a double-click of the frame or the image.
class PictureDoubleClick : public QObject {
public:
    PictureDoubleClick(QObject *parent, std::function<void()> open) : QObject(parent), m_open(std::move(open)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonDblClick) {
            m_open();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_open;
};

} // namespace

PictureStore DrawingControl::pictureStore(HostDatabase &db)
{
    return {m_state.controls, *this, *m_state.services, db};
}

DrawingStore DrawingControl::drawingStore()
{
    return {m_state.controls, *this, *m_state.services, *m_state.pcSystem, *m_state.keyAllocator,
            m_state.config.limitDrawing};
}

void DrawingControl::withSystem(const std::function<void(HostDatabase &)> &command)
{
    if (!m_state.pcSystem || !m_state.keyAllocator)
        return;
    if (auto db = m_state.database())
        command(*db);
}

void DrawingControl::loadPicturePage()
{
    if (auto db = m_state.database())
        loadPicture(pictureStore(*db));
}

void DrawingControl::loadDrawingPage()
{
    if (m_state.pcSystem)
        loadDrawingList(m_state.controls, *m_state.pcSystem);
    else
        m_state.controls.lvDraw->clear();
}

void DrawingControl::hookDocuments()
{
    FormControls &c = m_state.controls;
    // The drawing commands take the session's database through the host system themselves.
    const auto drawingCommand = [this](void (*command)(const DrawingStore &)) {
        return [this, command] { withSystem([this, command](HostDatabase &) { command(drawingStore()); }); };
    };
    connect(c.Cmd[0], &QPushButton::clicked, this, drawingCommand(uploadDrawing));
    connect(c.Cmd[1], &QPushButton::clicked, this, drawingCommand(downloadDrawing));
    connect(c.Cmd[2], &QPushButton::clicked, this, drawingCommand(deleteDrawing));
    connect(c.lvDraw, &QTreeWidget::itemDoubleClicked, this, drawingCommand(annotateDrawing));

    connect(c.CmdOpenFile, &QPushButton::clicked, this, [this] {
        withSystem([this](HostDatabase &db) {
            choosePicture(pictureStore(db), m_state.config.limitPicture, m_state.pictureFolder);
        });
    });
    connect(c.CmdClear, &QPushButton::clicked, this,
            [this] { withSystem([this](HostDatabase &db) { clearPicture(pictureStore(db)); }); });
    const auto open = [this] { openPicture(m_state.controls, m_state.desktop()); };
    connect(c.CmdShow, &QPushButton::clicked, this, open);
    auto *doubleClick = new PictureDoubleClick(this, open);
    c.imgZeva->installEventFilter(doubleClick);
    c.picZeva->installEventFilter(doubleClick);
    // Only the user's edits: loading a record sets the description without changing the picture.
    connect(c.txt->editor(), &QLineEdit::textEdited, this, [this] { m_state.controls.chk[6]->setChecked(true); });
}

} // namespace zeva
