#include "about/aboutwindows.h"

#include "about/abouttext.h"
#include "ui_aboutwindows.h"

#include <QOperatingSystemVersion>
#include <QPixmap>
#include <QSysInfo>

AboutWindows::AboutWindows(QWidget *parent) : QDialog(parent), ui(new Ui::AboutWindows)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    // A label takes its picture as it is: the sharper copy on a high-density screen.
    if (devicePixelRatioF() > 1) {
        QPixmap sharp(QStringLiteral(":/images/ressources/About@2x.png"));
        sharp.setDevicePixelRatio(2);
        ui->label_Image->setPixmap(sharp);
    }
}

AboutWindows::~AboutWindows()
{
    delete ui;
}

void AboutWindows::Set_Information_Text()
{
    ui->retranslateUi(this);
    AboutText::Information information;
    information.applicationName = QCoreApplication::applicationName();
    information.versionLabel = tr("Version:");
    information.applicationVersion = QCoreApplication::applicationVersion();
    information.organizationName = QCoreApplication::organizationName();
    information.organizationDomain = QCoreApplication::organizationDomain();
    information.operatingSystem = Get_OS_Name();
    ui->label_infos->setText(AboutText::informationHtml(information));
}

QString AboutWindows::Get_OS_Name() const
{
#ifdef Q_OS_WIN
    const QOperatingSystemVersion version = QOperatingSystemVersion::current();
    const QString name = tr(AboutText::windowsName(version.majorVersion(), version.minorVersion()));
#else
    // The release list names only Windows; elsewhere the system names itself.
    const QString name = QSysInfo::prettyProductName();
#endif
    return name + QLatin1Char(' ') + tr(AboutText::wordSizeSuffix(QT_POINTER_SIZE));
}

void AboutWindows::on_pushButton_close_clicked()
{
    close();
}
