#include "forms/qt/QtHelp.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextDocumentFragment>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <functional>

#include "forms/Form.h"
#include "forms/qt/Colors.h"
#include "forms/qt/QtBackend.h"
#include "forms/qt/Strings.h"

namespace forms::qt {

namespace {

// Pages are addressed as "zekhelp:/page.htm", so relative links and
// pictures resolve against the page that names them.
const QString kScheme = QStringLiteral("zekhelp");
constexpr int kPageRole = Qt::UserRole;

QUrl pageUrl(const std::string& page) {
    QUrl url;
    QString path = qstr(page);
    auto hash = path.indexOf(QLatin1Char('#'));
    if (hash >= 0) {
        url.setFragment(path.mid(hash + 1));
        path.truncate(hash);
    }
    url.setScheme(kScheme);
    url.setPath(path);
    return url;
}

// The page side: loads pages and pictures from inside the help file.
class HelpBrowser : public QTextBrowser {
public:
    explicit HelpBrowser(QWidget* parent) : QTextBrowser(parent) {
        setObjectName(QStringLiteral("helpPage"));
        // Links are followed here: pages inside the help file in this
        // window, anything else by the desktop's own program.
        setOpenLinks(false);
        connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
            QUrl target = source().resolved(link);
            if (target.scheme() == kScheme) {
                setSource(target);
            } else {
                QDesktopServices::openUrl(target);
            }
        });
    }

    HelpBook book;

    QVariant loadResource(int type, const QUrl& url) override {
        if (url.scheme() != kScheme) {
            return QTextBrowser::loadResource(type, url);
        }
        std::string path = url.path().toStdString();
        std::optional<std::string> bytes = book.load ? book.load(path) : std::nullopt;
        if (type == QTextDocument::ImageResource) {
            return bytes
                       ? QVariant(QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size())))
                       : QVariant();
        }
        if (!bytes) {
            return QStringLiteral(
                       "<h3>This page cannot be shown</h3>"
                       "<p>The help file has no page <i>%1</i>.</p>")
                .arg(url.path().toHtmlEscaped());
        }
        return qstr(*bytes);
    }
};

// A page's own title, or its path when it has none.
QString pageTitle(const QString& html, const std::string& page) {
    static const QRegularExpression title(
        QStringLiteral("<title>(.*?)</title>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    auto match = title.match(html);
    return match.hasMatch() ? match.captured(1).trimmed() : qstr(page);
}

// Where a help window opened for the first time goes: centred on its owner,
// or on the screen when it has none, and kept on that screen where it fits.
// Its frame is not known before it is shown; the owner's, from the same
// window manager, stands in for it.
QPoint centredOn(const QWidget* owner, QSize size) {
    QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    QRect area = screen != nullptr ? screen->availableGeometry() : QRect();
    if (owner != nullptr) {
        size += owner->frameSize() - owner->size();
    }
    QRect placed = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size,
                                       owner != nullptr ? owner->frameGeometry() : area);
    if (area.isValid()) {
        QPoint last = area.bottomRight() - QPoint(size.width(), size.height()) + QPoint(1, 1);
        placed.moveLeft(std::max(area.left(), std::min(placed.left(), last.x())));
        placed.moveTop(std::max(area.top(), std::min(placed.top(), last.y())));
    }
    return placed.topLeft();
}

}  // namespace

// The help window: the lists on one side (contents, index, search), the
// page on the other, and buttons to go back, forward and home.
class HelpWindow : public QWidget {
public:
    explicit HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
        setObjectName(QStringLiteral("helpWindow"));
        setAttribute(Qt::WA_DeleteOnClose);
        auto* layout = new QVBoxLayout(this);
        auto* buttons = new QHBoxLayout;
        auto* back = new QPushButton(QStringLiteral("&Back"), this);
        auto* forward = new QPushButton(QStringLiteral("&Forward"), this);
        auto* home = new QPushButton(QStringLiteral("&Home"), this);
        for (QPushButton* button : {back, forward, home}) {
            button->setFocusPolicy(Qt::TabFocus);
            buttons->addWidget(button);
        }
        buttons->addStretch();
        layout->addLayout(buttons);

        auto* splitter = new QSplitter(Qt::Horizontal, this);
        panes_ = new QTabWidget(splitter);
        panes_->setObjectName(QStringLiteral("helpPanes"));
        contents_ = new QTreeWidget;
        contents_->setObjectName(QStringLiteral("helpContents"));
        contents_->header()->hide();
        panes_->addTab(contents_, QStringLiteral("Contents"));
        panes_->addTab(makeIndexPane(), QStringLiteral("Index"));
        panes_->addTab(makeSearchPane(), QStringLiteral("Search"));
        browser_ = new HelpBrowser(splitter);
        splitter->setStretchFactor(0, 0);
        splitter->setStretchFactor(1, 1);
        splitter->setSizes({280, 540});
        layout->addWidget(splitter);
        resize(820, 560);

        connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
        connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
        connect(home, &QPushButton::clicked, this, [this] { browser_->setSource(homeUrl_); });
        connect(browser_, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
        connect(browser_, &QTextBrowser::forwardAvailable, forward, &QWidget::setEnabled);
        back->setEnabled(false);
        forward->setEnabled(false);
        connect(contents_, &QTreeWidget::itemClicked, this,
                [this](QTreeWidgetItem* item) { openItem(item->data(0, kPageRole)); });
        connect(contents_, &QTreeWidget::itemActivated, this,
                [this](QTreeWidgetItem* item) { openItem(item->data(0, kPageRole)); });
        connect(browser_, &QTextBrowser::sourceChanged, this, &HelpWindow::markContents);
        // Esc closes the window, as in other help viewers, whichever part of
        // it has the keyboard: none of them has a use of its own for the key.
        auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
        connect(escape, &QShortcut::activated, this, &QWidget::close);
    }

    ~HelpWindow() override {
        if (leaving) {
            leaving(saveGeometry());
        }
    }

    long number = 0;
    // Told the window's size and place as it goes, however it goes.
    std::function<void(const QByteArray& geometry)> leaving;

    void setBook(const HelpBook& book, const std::string& homePage) {
        bool sameLists =
            browser_->book.contents == book.contents && browser_->book.index == book.index;
        browser_->book = book;
        homeUrl_ = pageUrl(homePage);
        setWindowTitle(book.title.empty() ? QStringLiteral("Help") : qstr(book.title));
        if (!sameLists || contents_->topLevelItemCount() == 0) {
            contents_->clear();
            addTopics(contents_->invisibleRootItem(), book.contents);
            index_->clear();
            addKeywords(book.index, 0);
        }
    }

    void showPage(const std::string& page, HelpPane pane) {
        panes_->setCurrentIndex(static_cast<int>(pane));
        QUrl url = pageUrl(page);
        if (browser_->source() == url) {
            browser_->reload();
        } else {
            browser_->setSource(url);
        }
        markContents(browser_->source());
    }

private:
    QWidget* makeIndexPane() {
        auto* pane = new QWidget;
        auto* layout = new QVBoxLayout(pane);
        auto* filter = new QLineEdit(pane);
        filter->setObjectName(QStringLiteral("helpIndexFilter"));
        filter->setPlaceholderText(QStringLiteral("Type the keyword to find"));
        index_ = new QListWidget(pane);
        index_->setObjectName(QStringLiteral("helpIndex"));
        layout->addWidget(filter);
        layout->addWidget(index_);
        // Typing moves to the first keyword that starts with the text.
        connect(filter, &QLineEdit::textChanged, this, [this](const QString& text) {
            for (int row = 0; row < index_->count(); ++row) {
                if (index_->item(row)->text().trimmed().startsWith(text, Qt::CaseInsensitive)) {
                    index_->setCurrentRow(row);
                    index_->scrollToItem(index_->item(row), QAbstractItemView::PositionAtTop);
                    return;
                }
            }
        });
        connect(filter, &QLineEdit::returnPressed, this, [this] {
            if (index_->currentItem() != nullptr) {
                openItem(index_->currentItem()->data(kPageRole));
            }
        });
        connect(index_, &QListWidget::itemClicked, this,
                [this](QListWidgetItem* item) { openItem(item->data(kPageRole)); });
        connect(index_, &QListWidget::itemActivated, this,
                [this](QListWidgetItem* item) { openItem(item->data(kPageRole)); });
        return pane;
    }

    QWidget* makeSearchPane() {
        auto* pane = new QWidget;
        auto* layout = new QVBoxLayout(pane);
        auto* words = new QLineEdit(pane);
        words->setObjectName(QStringLiteral("helpSearchText"));
        words->setPlaceholderText(QStringLiteral("Type the words to search for"));
        auto* list = new QPushButton(QStringLiteral("&List Topics"), pane);
        auto* results = new QListWidget(pane);
        results->setObjectName(QStringLiteral("helpSearchResults"));
        layout->addWidget(words);
        layout->addWidget(list);
        layout->addWidget(results);
        auto search = [this, words, results] {
            results->clear();
            QStringList wanted = words->text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (wanted.isEmpty() || !browser_->book.load) {
                return;
            }
            for (const std::string& page : browser_->book.pages) {
                auto bytes = browser_->book.load(page);
                if (!bytes) {
                    continue;
                }
                QString html = qstr(*bytes);
                QString text = QTextDocumentFragment::fromHtml(html).toPlainText();
                bool all = std::all_of(wanted.begin(), wanted.end(), [&](const QString& word) {
                    return text.contains(word, Qt::CaseInsensitive);
                });
                if (all) {
                    auto* item = new QListWidgetItem(pageTitle(html, page), results);
                    item->setData(kPageRole, qstr(page));
                }
            }
            if (results->count() == 0) {
                new QListWidgetItem(QStringLiteral("No topics found."), results);
            }
        };
        connect(list, &QPushButton::clicked, this, search);
        connect(words, &QLineEdit::returnPressed, this, search);
        connect(results, &QListWidget::itemClicked, this,
                [this](QListWidgetItem* item) { openItem(item->data(kPageRole)); });
        return pane;
    }

    void openItem(const QVariant& page) {
        if (page.isValid() && !page.toString().isEmpty()) {
            browser_->setSource(pageUrl(page.toString().toStdString()));
        }
    }

    static void addTopics(QTreeWidgetItem* parent, const std::vector<HelpTopic>& topics) {
        for (const HelpTopic& topic : topics) {
            auto* item = new QTreeWidgetItem(parent, {qstr(topic.name)});
            item->setData(0, kPageRole, qstr(topic.page));
            addTopics(item, topic.children);
            item->setExpanded(true);
        }
    }

    void addKeywords(const std::vector<HelpTopic>& keywords, int depth) {
        for (const HelpTopic& keyword : keywords) {
            auto* item = new QListWidgetItem(
                QString(depth * 4, QLatin1Char(' ')) + qstr(keyword.name), index_);
            item->setData(kPageRole, qstr(keyword.page));
            addKeywords(keyword.children, depth + 1);
        }
    }

    // Selects the contents entry of the page on show, if it has one.
    void markContents(const QUrl& url) {
        QString page = url.path();
        QSignalBlocker blocker(contents_);
        for (QTreeWidgetItemIterator it(contents_); *it != nullptr; ++it) {
            if ((*it)->data(0, kPageRole).toString().compare(page, Qt::CaseInsensitive) == 0) {
                contents_->setCurrentItem(*it);
                return;
            }
        }
        contents_->setCurrentItem(nullptr);
    }

    QTabWidget* panes_;
    QTreeWidget* contents_;
    QListWidget* index_ = nullptr;
    HelpBrowser* browser_;
    QUrl homeUrl_;
};

HelpWindows::~HelpWindows() {
    closeAll();
}

long HelpWindows::show(const HelpBook& book, const std::string& page, HelpPane pane,
                       QWidget* owner) {
    std::erase_if(windows_, [](const QPointer<HelpWindow>& w) { return w.isNull(); });
    HelpWindow* window = nullptr;
    for (const QPointer<HelpWindow>& open : windows_) {
        if (open->property("helpKey").toString() == qstr(book.key)) {
            window = open;
        }
    }
    if (window == nullptr) {
        window = new HelpWindow(owner);
        window->number = newWindowHandle();
        window->setProperty("helpKey", qstr(book.key));
        window->setProperty("helpNumber", static_cast<qlonglong>(window->number));
        windows_.emplace_back(window);
        // A window opened again comes back where the user left the last one.
        QString key = qstr(book.key);
        if (auto placed = placed_.find(key); placed != placed_.end()) {
            window->restoreGeometry(placed->second);
        } else {
            window->move(centredOn(owner, window->size()));
        }
        window->leaving = [this, key](const QByteArray& geometry) { placed_[key] = geometry; };
    }
    window->setBook(book, page);
    window->showPage(page, pane);
    window->show();
    window->raise();
    window->activateWindow();
    return window->number;
}

void HelpWindows::closeAll() {
    for (const QPointer<HelpWindow>& window : windows_) {
        if (window != nullptr) {
            delete window.data();
        }
    }
    windows_.clear();
    delete popup_.data();
}

long HelpWindows::showPopup(const HelpPopup& popup, QWidget* owner) {
    delete popup_.data();
    // A popup goes at the first click or key, as a menu does.
    auto* frame = new QFrame(owner, Qt::Popup | Qt::FramelessWindowHint);
    popup_ = frame;
    frame->setObjectName(QStringLiteral("helpPopup"));
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->setFrameShape(QFrame::Box);
    frame->setAutoFillBackground(true);
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Window, popup.background ? resolve(*popup.background)
                                                        : palette.color(QPalette::ToolTipBase));
    palette.setColor(QPalette::WindowText, popup.foreground ? resolve(*popup.foreground)
                                                            : palette.color(QPalette::ToolTipText));
    frame->setPalette(palette);

    auto* label = new QLabel(frame);
    label->setObjectName(QStringLiteral("helpPopupText"));
    label->setTextFormat(Qt::PlainText);
    label->setText(qstr(popup.text));
    label->setWordWrap(true);
    label->setMaximumWidth(360);
    QFont font(popup.fontName.empty() ? QApplication::font().family() : qstr(popup.fontName));
    // Sizes in points as at 96 dpi, like the forms' own text.
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(popup.fontSize * 96.0 / 72.0))));
    font.setBold(popup.bold);
    font.setItalic(popup.italic);
    font.setUnderline(popup.underline);
    label->setFont(font);
    auto margin = [&](int i) { return popup.margins[i] < 0 ? 8 : popup.margins[i]; };
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(margin(0), margin(1), margin(2), margin(3));
    layout->addWidget(label);
    frame->adjustSize();

    // Kept on the screen that holds the point.
    QPoint at(popup.x, popup.y);
    if (QScreen* screen = QApplication::screenAt(at)) {
        QRect area = screen->availableGeometry();
        at.setX(std::min(at.x(), area.right() - frame->width()));
        at.setY(std::min(at.y(), area.bottom() - frame->height()));
        at.setX(std::max(at.x(), area.left()));
        at.setY(std::max(at.y(), area.top()));
    }
    frame->move(at);
    long number = newWindowHandle();
    frame->setProperty("helpNumber", static_cast<qlonglong>(number));
    frame->show();
    return number;
}

bool grabHelp(long number, const std::string& pngPath) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->property("helpNumber").toLongLong() == number) {
            QPixmap shot = widget->grab();
            return !shot.isNull() && shot.save(qstr(pngPath), "PNG");
        }
    }
    return false;
}

}  // namespace forms::qt
