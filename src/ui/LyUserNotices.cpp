#include "LyUserNotices.h"

#include "ArMemoryMessageLog.h"
#include "LyDialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

bool IsUserNotice(const QString& channel, tArMessageType type) {
    return channel == u"System" && (type == mtWarning || type == mtError);
}

TArMemoryMessageLog* MemoryLog() {
    TArMultipleMessageLog* global = GlobalMessageLog();
    if (!global)
        return nullptr;
    for (int index = 0; index < global->Logs().Count(); ++index)
        if (auto* memory = dynamic_cast<TArMemoryMessageLog*>(global->Logs().Item(index)))
            return memory;
    return nullptr;
}

} // namespace

// Runs on whichever thread logs, under the log's lock: it only queues.
class TLyUserNotices::THandler : public IArMemoryMessageLogHandler {
public:
    explicit THandler(TLyUserNotices* owner)
        : FOwner(owner) {}
    void MessageAdded(TArMemoryMessageLog*, const TArLoggableMessage& message) override {
        const TArLoggableMessageData& data = message.Data();
        if (data.Kind == lmkMessage && IsUserNotice(data.Channel, data.MessageType))
            FOwner->Queue(data.Text);
    }
    void MessagesAboutToBeRemoved(TArMemoryMessageLog*, int) override {}
    void MessagesRemoved(TArMemoryMessageLog*, int) override {}

private:
    TLyUserNotices* FOwner;
};

TLyUserNotices::TLyUserNotices(QWidget* parent)
    : QToolButton(parent)
    , FHandler(std::make_unique<THandler>(this)) {
    setObjectName(QStringLiteral("BtnUserNotices"));
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    hide();
    connect(this, &QToolButton::clicked, this, &TLyUserNotices::ShowNotices);
    if (TArMemoryMessageLog* log = MemoryLog()) {
        for (const TArLoggableMessageData& logged : log->Messages())
            if (logged.Kind == lmkMessage && IsUserNotice(logged.Channel, logged.MessageType))
                FQueued << logged.Text;
        log->AddHandler(FHandler.get());
    }
    TakeQueued();
}

TLyUserNotices::~TLyUserNotices() {
    if (TArMemoryMessageLog* log = MemoryLog())
        log->RemoveHandler(FHandler.get());
}

void TLyUserNotices::Queue(const QString& text) {
    std::lock_guard lock(FLock);
    FQueued << text;
    if (FQueued.size() == 1)
        QMetaObject::invokeMethod(this, &TLyUserNotices::TakeQueued, Qt::QueuedConnection);
}

void TLyUserNotices::TakeQueued() {
    {
        std::lock_guard lock(FLock);
        FNotices << FQueued;
        FQueued.clear();
    }
    if (FNotices.isEmpty())
        return;
    setText(FNotices.size() == 1 ? QStringLiteral("1 message")
                                 : QStringLiteral("%1 messages").arg(FNotices.size()));
    setToolTip(FNotices.last());
    show();
}

void TLyUserNotices::ShowNotices() {
    QDialog window(this);
    window.setObjectName(QStringLiteral("UserNoticesForm"));
    window.setWindowTitle(QStringLiteral("Messages"));
    auto* text = new QPlainTextEdit(&window);
    text->setReadOnly(true);
    text->setPlainText(FNotices.join(u'\n'));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &window);
    connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::reject);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(text);
    layout->addWidget(buttons);
    window.resize(fontMetrics().averageCharWidth() * 80, fontMetrics().height() * 12);
    TLyDialogs::Exec(&window);
    FNotices.clear();
    hide();
}
