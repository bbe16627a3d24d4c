#include "app/tavro.h"

#include "app/mainfrm.h"
#include "app/resources.h"
#include "app/tavrodoc.h"
#include "platform/commandids.h"
#include "platform/resources.h"
#include "viewer/tavroview.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include <memory>
#include <utility>

CTavroApp::CTavroApp()
{
    registerTavroResources();
}

bool CTavroApp::InitInstance()
{
    AfxEnableControlContainerSupport();
    CWinApp::InitInstance();

    SetRegistryKey(QStringLiteral("Local AppWizard-Generated Applications"));
    LoadStdProfileSettings(4);

    QApplication::setWindowIcon(platform::resources().icon(IDR_MAINFRAME));
    // The template makes the document, then its frame and the view: the view
    // hands the document just made the file it opens, which the document
    // follows.
    auto madeDocument = std::make_shared<CTavroDoc*>(nullptr);
    AddDocTemplate(new CSingleDocTemplate(
        IDR_MAINFRAME, [madeDocument] { return *madeDocument = new CTavroDoc; }, [] { return new CMainFrame; },
        [madeDocument]() -> CView* {
            auto* view = new CTavroView;
            if (CTavroDoc* document = std::exchange(*madeDocument, nullptr))
                document->FollowFile(view->openedFile());
            return view;
        }));

    CCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);
    // A file on the command line opens in the window once the window exists,
    // so a file that gives no model leaves the window up with the reason.
    QString file;
    if (cmdInfo.m_nShellCommand == CCommandLineInfo::FileOpen) {
        file = cmdInfo.m_strFileName;
        cmdInfo.m_nShellCommand = CCommandLineInfo::FileNew;
    }
    if (!ProcessShellCommand(cmdInfo))
        return false;
    if (!file.isEmpty())
        OpenDocumentFile(file);

    m_pMainWnd->ShowWindow(SW_SHOW);
    m_pMainWnd->UpdateWindow();
    return true;
}

void CTavroApp::OnAppAbout()
{
    CAboutDlg aboutDlg(m_pMainWnd);
    aboutDlg.DoModal();
}

bool CTavroApp::OnCommand(unsigned id)
{
    if (id == ID_APP_ABOUT) {
        OnAppAbout();
        return true;
    }
    return CWinApp::OnCommand(id);
}

bool CTavroApp::OnUpdateCommandUI(unsigned id, CCmdUI& ui)
{
    if (id == ID_APP_ABOUT)
        return true;
    return CWinApp::OnUpdateCommandUI(id, ui);
}

// ---------------------------------------------------------------------------

CAboutDlg::CAboutDlg(QWidget* parent) : CDialog(IDD_ABOUTBOX, parent)
{
    setWindowTitle(QString::fromUtf8(kAboutCaption));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setPixmap(platform::resources().icon(IDR_MAINFRAME).pixmap(32, 32));
    icon->setFixedSize(32, 32);

    auto* version = new QLabel(QString::fromUtf8(kAboutVersionLine), this);
    auto* description = new QLabel(QString::fromUtf8(kAboutDescriptionLine), this);
    auto* copyright = new QLabel(QString::fromUtf8(kAboutCopyrightLine), this);
    version->setObjectName(QStringLiteral("aboutVersion"));
    description->setObjectName(QStringLiteral("aboutDescription"));
    copyright->setObjectName(QStringLiteral("aboutCopyright"));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    ok->setMinimumWidth(75);
    SetDlgCtrlID(ok, IDOK);
    connect(ok, &QPushButton::clicked, this, [this] { accept(); });

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(16, 14, 12, 14);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(4);
    grid->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop | Qt::AlignHCenter);
    grid->addWidget(version, 0, 1);
    grid->addWidget(description, 1, 1);
    grid->addWidget(copyright, 2, 1);
    grid->addWidget(ok, 0, 2, Qt::AlignTop);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(1, 250);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}
