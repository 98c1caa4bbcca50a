// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's layout, built in one place. Every control carries the
// system's name as its object name: the settings file keys on those names, and
// the settings walk visits the children of PanelConfigLeft in creation order.
#include "app/main.h"

#include "widgets/CheckListBox.h"
#include "widgets/RadioGroup.h"
#include "widgets/ResultList.h"
#include "widgets/ShellTreeView.h"
#include "widgets/SpinEdit.h"
#include "util/QtText.h"
#include "util/Readme.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

constexpr int WindowWidth = 780;
constexpr int WindowHeight = 489;

QFont DesignFont(const char* family, int pixelSize, bool bold = false)
{
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

template <typename W>
W* Named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QFrame* Panel(QWidget* parent, const char* name)
{
    auto* panel = Named(new QFrame(parent), name);
    panel->setFrameShape(QFrame::NoFrame);
    return panel;
}

template <typename L>
L* Tight(L* layout, int margin = 0, int spacing = 0)
{
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(spacing);
    return layout;
}

// The purge button's glyph: a small bin with a red cross, and a grey twin for
// the disabled button.
QIcon PurgeGlyph()
{
    auto draw = [](QColor body, QColor cross) {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(body.darker(150), 1));
        painter.setBrush(body);
        painter.drawRect(QRectF(3.5, 4.5, 9, 10));
        painter.drawRect(QRectF(2.5, 2.5, 11, 2));
        painter.setPen(QPen(cross, 2));
        painter.drawLine(QPointF(5.5, 7), QPointF(10.5, 12.5));
        painter.drawLine(QPointF(10.5, 7), QPointF(5.5, 12.5));
        return pixmap;
    };
    QIcon icon;
    icon.addPixmap(draw(QColor(200, 200, 210), QColor(200, 30, 30)), QIcon::Normal);
    icon.addPixmap(draw(QColor(220, 220, 220), QColor(150, 150, 150)), QIcon::Disabled);
    return icon;
}

// One row of the settings panel: a check box, its spin edit and the unit label.
QSpinBox* LimitRow(QFrame* row, QCheckBox*& checkBox, const char* checkName, const char* caption,
                   const char* spinName, int maximum, int step, int value, QLabel*& unit, const char* unitName,
                   const char* unitText)
{
    auto* layout = Tight(new QHBoxLayout(row), 2, 6);
    checkBox = Named(new QCheckBox(QString::fromLatin1(caption), row), checkName);
    checkBox->setMinimumWidth(130);
    auto* spin = Named(new SpinEdit(row), spinName);
    spin->setRange(1, maximum);
    spin->setSingleStep(step);
    spin->setValue(value);
    spin->setMinimumWidth(80);
    unit = Named(new QLabel(QString::fromLatin1(unitText), row), unitName);
    layout->addWidget(checkBox);
    layout->addWidget(spin, 1);
    layout->addWidget(unit);
    return spin;
}

// Gives the widgets the width of the widest of them, measured in the font they
// are shown in.
void EqualWidths(std::initializer_list<QWidget*> widgets)
{
    int width = 0;
    for (QWidget* widget : widgets)
        width = std::max(width, widget->sizeHint().width());
    for (QWidget* widget : widgets)
        widget->setFixedWidth(width);
}

}  // namespace

void TMainForm::CreateLayout()
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Purge Selected Deleted Files"));
    setFont(DesignFont("Liberation Sans", 12));
    resize(WindowWidth, WindowHeight);

    PageControl1 = Named(new QTabWidget(this), "PageControl1");
    setCentralWidget(PageControl1);

    // Info: the title strip and the read-me.
    TabSheetInfo = Named(new QWidget, "TabSheetInfo");
    auto* infoLayout = Tight(new QVBoxLayout(TabSheetInfo));
    PanelTitle = Named(new QLabel(QStringLiteral("Purge Selected Files"), TabSheetInfo), "PanelTitle");
    PanelTitle->setFixedHeight(41);
    PanelTitle->setFrameShape(QFrame::NoFrame);
    PanelTitle->setAlignment(Qt::AlignCenter);
    PanelTitle->setFont(DesignFont("Liberation Sans", 19, true));
    MemoReadme = Named(new QPlainTextEdit(TabSheetInfo), "MemoReadme");
    MemoReadme->setReadOnly(true);
    MemoReadme->setFont(DesignFont("Liberation Mono", 12));
    MemoReadme->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoReadme->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MemoReadme->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    infoLayout->addWidget(PanelTitle);
    infoLayout->addWidget(MemoReadme, 1);
    PageControl1->addTab(TabSheetInfo, QStringLiteral("&Info"));

    // Select Start Path: connections | folder tree over the start-path list.
    TabSheetSelect = Named(new QWidget, "TabSheetSelect");
    auto* selectLayout = Tight(new QHBoxLayout(TabSheetSelect));
    Splitter1 = Named(new QSplitter(Qt::Horizontal, TabSheetSelect), "Splitter1");
    Splitter1->setHandleWidth(5);
    Splitter1->setChildrenCollapsible(false);
    ServerList = Named(new RadioGroup(Splitter1), "ServerList");
    ServerList->setTitle(QStringLiteral("&Connection List"));
    ServerList->setToolTip(QStringLiteral("Select base server"));
    ServerList->setAlignment(Qt::AlignLeft);
    PanelSelectRight = Panel(Splitter1, "PanelSelectRight");
    auto* rightLayout = Tight(new QVBoxLayout(PanelSelectRight));
    Splitter2 = Named(new QSplitter(Qt::Vertical, PanelSelectRight), "Splitter2");
    Splitter2->setHandleWidth(4);
    Splitter2->setChildrenCollapsible(false);
    PanelPathSelect = Panel(Splitter2, "PanelPathSelect");
    auto* pathLayout = Tight(new QVBoxLayout(PanelPathSelect), 0, 2);
    ShellTreeView1 = Named(new ShellTreeView(PanelPathSelect), "ShellTreeView1");
    ShellTreeView1->setToolTip(QStringLiteral("Double-Click to add to list of start directories"));
    LabelDirSelected = Named(new QLabel(QStringLiteral("#Start Paths Selected: 0"), PanelPathSelect), "LabelDirSelected");
    pathLayout->addWidget(ShellTreeView1, 1);
    pathLayout->addWidget(LabelDirSelected, 0, Qt::AlignLeft | Qt::AlignBottom);
    PanelStartPaths = Panel(Splitter2, "PanelStartPaths");
    auto* startPathsLayout = Tight(new QVBoxLayout(PanelStartPaths), 0, 2);
    CheckListBoxQ = Named(new CheckListBox(PanelStartPaths), "CheckListBoxQ");
    CheckListBoxQ->setToolTip(
        QStringLiteral("Double-Click to remove from list of start directories (checkbox indicates recursion)"));
    LabelStartPathNote = Named(new QLabel(PanelStartPaths), "LabelStartPathNote");
    LabelStartPathNote->setWordWrap(true);
    LabelStartPathNote->setTextFormat(Qt::PlainText);
    LabelStartPathNote->hide();
    startPathsLayout->addWidget(CheckListBoxQ, 1);
    startPathsLayout->addWidget(LabelStartPathNote);
    Splitter2->setStretchFactor(0, 0);
    Splitter2->setStretchFactor(1, 1);
    Splitter2->setSizes({300, 100});
    rightLayout->addWidget(Splitter2);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({161, WindowWidth - 161 - 5});
    selectLayout->addWidget(Splitter1);
    PageControl1->addTab(TabSheetSelect, QStringLiteral("&Select Start Path"));

    // Purge Selected Files: the settings panel | options, summary, button, results.
    TabSheetAction = Named(new QWidget, "TabSheetAction");
    auto* actionLayout = Tight(new QHBoxLayout(TabSheetAction));
    Splitter4 = Named(new QSplitter(Qt::Horizontal, TabSheetAction), "Splitter4");
    Splitter4->setHandleWidth(11);
    Splitter4->setChildrenCollapsible(false);

    // The children of PanelConfigLeft are created in the order the settings
    // walk must visit them; the layout then stacks them as the user sees them.
    PanelConfigLeft = Panel(Splitter4, "PanelConfigLeft");
    PanelCBSize1 = Panel(PanelConfigLeft, "PanelCBSize1");
    FileSizeUpperLimit = LimitRow(PanelCBSize1, CheckBoxSizeUpperLimit, "CheckBoxSizeUpperLimit", "Purge smaller than",
                                  "FileSizeUpperLimit", 1000000000, 10, 10, LabelSizeUpperUnit, "LabelSizeUpperUnit",
                                  "kB");
    PanelCBSize9 = Panel(PanelConfigLeft, "PanelCBSize9");
    FileSizeLowerLimit = LimitRow(PanelCBSize9, CheckBoxSizeLowerLimit, "CheckBoxSizeLowerLimit", "Purge larger than",
                                  "FileSizeLowerLimit", 1000000000, 100, 1000, LabelSizeLowerUnit, "LabelSizeLowerUnit",
                                  "kB");
    PanelCBAge = Panel(PanelConfigLeft, "PanelCBAge");
    FileOlderThan = LimitRow(PanelCBAge, CheckBoxAge, "CheckBoxAge", "Purge older than", "FileOlderThan", 1000, 1, 14,
                             LabelAgeUnit, "LabelAgeUnit", "days");
    PanelCBKeep = Panel(PanelConfigLeft, "PanelCBKeep");
    KeepNewestSize = LimitRow(PanelCBKeep, CheckBoxKeepNewest, "CheckBoxKeepNewest", "Keep only the newest",
                              "KeepNewestSize", 1000000000, 500, 1000, LabelKeepNewestUnit, "LabelKeepNewestUnit",
                              "MB");
    PanelCBFree = Panel(PanelConfigLeft, "PanelCBFree");
    UntilFreeSize = LimitRow(PanelCBFree, CheckBoxUntilFree, "CheckBoxUntilFree", "Purge until free", "UntilFreeSize",
                             1000000000, 500, 1000, LabelUntilFreeUnit, "LabelUntilFreeUnit", "MB");
    RadioGroupLogic = Named(new RadioGroup(PanelConfigLeft), "RadioGroupLogic");
    RadioGroupLogic->setTitle(QStringLiteral("Logical &Operator"));
    RadioGroupLogic->setColumns(2);
    RadioGroupLogic->addItem(QStringLiteral("Or"));
    RadioGroupLogic->addItem(QStringLiteral("And"));
    RadioGroupLogic->setItemIndex(0);
    RadioGroupLogic->setToolTip(QStringLiteral(
        "Or: Purge if one checked condition is true;  \"And\": Purge if all checked conditions are met"));
    PanelPattern = Panel(PanelConfigLeft, "PanelPattern");
    MemoExtList = Named(new QPlainTextEdit(PanelPattern), "MemoExtList");
    MemoExtList->setToolTip(
        QStringLiteral("Enter search patterns (one per line) like \"*.bak\", \"tmp*.*\" , \"*.~??\""));
    MemoExtList->setTabChangesFocus(true);
    CheckBoxFilePatterns =
        Named(new QCheckBox(QStringLiteral("Purge Files matching  ..."), PanelPattern), "CheckBoxFilePatterns");
    CheckBoxFilePatterns->setChecked(true);
    auto* patternLayout = Tight(new QVBoxLayout(PanelPattern), 2, 2);
    patternLayout->addWidget(CheckBoxFilePatterns);
    patternLayout->addWidget(MemoExtList, 1);

    auto* leftLayout = Tight(new QVBoxLayout(PanelConfigLeft), 2, 2);
    leftLayout->addWidget(RadioGroupLogic);
    leftLayout->addWidget(PanelCBSize1);
    leftLayout->addWidget(PanelCBSize9);
    leftLayout->addWidget(PanelCBAge);
    leftLayout->addWidget(PanelCBKeep);
    leftLayout->addWidget(PanelCBFree);
    leftLayout->addWidget(PanelPattern, 1);

    PanelConfigRight = Panel(Splitter4, "PanelConfigRight");
    auto* configRightLayout = Tight(new QVBoxLayout(PanelConfigRight), 2, 4);
    auto* topRow = Tight(new QHBoxLayout, 0, 6);
    RadioGroupOptions = Named(new RadioGroup(PanelConfigRight), "RadioGroupOptions");
    RadioGroupOptions->setTitle(QStringLiteral("&Options"));
    RadioGroupOptions->addItem(QStringLiteral("&List Matching Deleted Files"));
    RadioGroupOptions->addItem(QStringLiteral("Purge with &confirmation"));
    RadioGroupOptions->addItem(QStringLiteral("&Purge without confirmation"));
    RadioGroupOptions->setItemIndex(0);
    MemoFilter = Named(new QPlainTextEdit(PanelConfigRight), "MemoFilter");
    MemoFilter->setFixedSize(255, 101);
    MemoFilter->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Nothing reads the summary: Tab passes it by instead of typing a tab into it.
    MemoFilter->setTabChangesFocus(true);
    MemoFilter->setFocusPolicy(Qt::ClickFocus);
    topRow->addWidget(RadioGroupOptions, 1);
    topRow->addWidget(MemoFilter, 0, Qt::AlignTop);
    BitBtnPurgeSelected =
        Named(new QPushButton(PurgeGlyph(), QStringLiteral("&Purge Selected Files"), PanelConfigRight),
              "BitBtnPurgeSelected");
    BitBtnPurgeSelected->setToolTip(QStringLiteral("List/Purge Selected Files"));
    LabelResults = Named(new QLabel(QStringLiteral("Results ... "), PanelConfigRight), "LabelResults");
    ListBoxResults = Named(new ResultList(PanelConfigRight), "ListBoxResults");
    // Below the totals, after a job in a purge mode: what became of the matches.
    LabelOutcomes = Named(new QLabel(PanelConfigRight), "LabelOutcomes");
    LabelOutcomes->hide();
    configRightLayout->addLayout(topRow);
    configRightLayout->addWidget(BitBtnPurgeSelected);
    configRightLayout->addWidget(LabelResults);
    configRightLayout->addWidget(LabelOutcomes);
    configRightLayout->addWidget(ListBoxResults, 1);

    Splitter4->setStretchFactor(0, 0);
    Splitter4->setStretchFactor(1, 1);
    Splitter4->setSizes({288, WindowWidth - 288 - 11});
    actionLayout->addWidget(Splitter4);
    PageControl1->addTab(TabSheetAction, QStringLiteral("&Purge Selected Files"));
    // The check boxes and the unit labels as wide in every row, so that the
    // spin edits line up and are equally wide.
    EqualWidths({CheckBoxSizeUpperLimit, CheckBoxSizeLowerLimit, CheckBoxAge, CheckBoxKeepNewest, CheckBoxUntilFree});
    EqualWidths({LabelSizeUpperUnit, LabelSizeLowerUnit, LabelAgeUnit, LabelKeepNewestUnit, LabelUntilFreeUnit});
    // As designed, the Purge tab is the active one; start-up shows Info first.
    PageControl1->setCurrentWidget(TabSheetAction);

    StatusBar1 = Named(new QStatusBar(this), "StatusBar1");
    StatusBar1->setFixedHeight(19);
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setCursor(Qt::PointingHandCursor);
    StatusBar1->showMessage(QStr(DocumentationPath()));
    setStatusBar(StatusBar1);
    SetTabOrder();
}

void TMainForm::SetTabOrder()
{
    // Tab follows the Purge tab as the eye reads it: down the settings panel,
    // then the options, the purge button and the result list.
    std::vector<QWidget*> chain;
    for (int i = 0; i < RadioGroupLogic->count(); ++i)
        chain.push_back(RadioGroupLogic->button(i));
    chain.insert(chain.end(), {CheckBoxSizeUpperLimit, FileSizeUpperLimit, CheckBoxSizeLowerLimit, FileSizeLowerLimit,
                               CheckBoxAge, FileOlderThan, CheckBoxKeepNewest, KeepNewestSize, CheckBoxUntilFree,
                               UntilFreeSize, CheckBoxFilePatterns, MemoExtList});
    for (int i = 0; i < RadioGroupOptions->count(); ++i)
        chain.push_back(RadioGroupOptions->button(i));
    chain.insert(chain.end(), {BitBtnPurgeSelected, ListBoxResults});
    for (std::size_t i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}
