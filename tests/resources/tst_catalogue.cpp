#include "testsupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtEndian>

namespace {

const char* const Catalogue = ":/language_Chinese.qm";

// The Chinese texts the interface must show, copied from the translation brief.
struct Listed {
    const char* context;
    const char* source;
    const char* chinese;
};
const Listed listedTexts[] = {
    {"Temp", "Analyse", "分析"},
    {"Temp", "Calibration time", "校准时间"},
    {"Temp", "Calibration time:OK", "校准时间:成功"},
    {"Temp", "Centigrade", "摄氏度"},
    {"Temp", "Connect", "连接设备"},
    {"Temp", "Connected to Device failed!", "设备连接失败！"},
    {"Temp", "Connected to the device:OK", "设备已连接"},
    {"Temp", "Critical Error", "校准出错"},
    {"Temp", "Dew Temperature:", "露点温度:"},
    {"Temp", "Disconnect", "断开连接"},
    {"Temp", "Download", "下载"},
    {"Temp", "Fahrenheit", "华氏度"},
    {"Temp", "Friday", "周五"},
    {"Temp", "Heat Index:", "酷热指数:"},
    {"Temp", "Humidity:", "湿度:"},
    {"Temp", "Language", "语言"},
    {"Temp", "Monday", "周一"},
    {"Temp", "Not found a valid device!", "没有找到设备!"},
    {"Temp", "REC", "记录次数"},
    {"Temp", "Record data Error!", "数据读取出错!"},
    {"Temp", "Saturday", "周六"},
    {"Temp", "Set", "下载设置"},
    {"Temp", "Set data command sent", "数据正在记录"},
    {"Temp", "Stop Record", "停止记录"},
    {"Temp", "Stop record data", "停止记录"},
    {"Temp", "Stop record:OK", "停止记录"},
    {"Temp", "Sunday", "周日"},
    {"Temp", "Temp", "Hygrolux"},
    {"Temp", "Temperature&Humidity Datalogger", "温湿度计"},
    {"Temp", "Temperature:", "温度："},
    {"Temp", "Thursday", "周四"},
    {"Temp", "Tuesday", "周二"},
    {"Temp", "Wednesday", "周三"},
    {"Set", "Auto", "自动"},
    {"Set", "Close", "关闭"},
    {"Set", "Error:High humidity value should be greater than the low humidity value",
     "湿度报警上限值应该大于下限值"},
    {"Set", "Error:High temperature value should be greater than the low temperature value",
     "温度报警上限值应该大于下限值"},
    {"Set", "High Humidity alarm value:", "湿度报警上限值:"},
    {"Set", "High Temperature alarm value:", "温度报警上限值:"},
    {"Set", "Hour", "时"},
    {"Set", "Low Humidity alarm value:", "湿度报警下限值:"},
    {"Set", "Low Temperature alarm value:", "温度报警下限值:"},
    {"Set", "Manual", "手动"},
    {"Set", "Min", "分"},
    {"Set", "Record Mode:", "记录方式:"},
    {"Set", "Recording number：", "记录次数:"},
    {"Set", "Recording time interval:", "时间间隔:"},
    {"Set", "Sec", "秒"},
    {"Set", "Setting", "设置"},
    {"Set", "apply", "发送"},
    {"Set", "record interval is illegal, should be greater than 0!", "时间间隔应该大于1秒钟！"},
    {"QRealTimeData", ">>Data number: %1", ">>记录次数: %1"},
    {"QRealTimeData", ">>Data number: 1000", ">>记录次数: 50"},
    {"QRealTimeData", ">>End Time:%1", ">>结束时间:%1"},
    {"QRealTimeData", ">>End Time:12-02-2016 15:42:39", ">>结束时间:04-23-2017 17:25:43"},
    {"QRealTimeData", ">>RH Alarm HI: %1 %RH   RH Alarm Low: %2 %RH",
     ">>湿度报警上限值: %1 %RH   湿度报警下限值 :%2 %RH"},
    {"QRealTimeData", ">>RH Alarm HI:100 %RH   RH Alarm Low: 0 %RH",
     ">>湿度报警上限值: 100 %RH   湿度报警下限值 :0 %RH"},
    {"QRealTimeData",
     ">>RH MAX: 41.2%RH @12-02-2016 15:42:39   RH MIN:99.8%RH @12-02-2016 15:28:02",
     ">>最小湿度值: 43.9%RH @04-23-2017 17:24:54   最大湿度值:76.2%RH @04-23-2017 17:25:31"},
    {"QRealTimeData", ">>RH MIN: %1%RH @%2   RH MAX:%3%RH @%4",
     ">>最小湿度值: %1%RH @%2   最大湿度值:%3%RH @%4"},
    {"QRealTimeData", ">>Sampling rate:  1 sec", ">>记录间隔:1 秒"},
    {"QRealTimeData", ">>Sampling rate: %1 sec", ">>记录间隔:%1 秒"},
    {"QRealTimeData", ">>Start Time:%1", ">>开始时间:%1"},
    {"QRealTimeData", ">>Temp Alarm HI: %1℃   Temp Alarm Low: %2℃",
     ">>温度报警上限值: %1℃   温度报警下限值: %2℃"},
    {"QRealTimeData", ">>Temp Alarm HI: %1℉   Temp Alarm Low: %2℉",
     ">>温度报警上限值:%1℉   温度报警下限值:%2℉"},
    {"QRealTimeData", ">>Temp Alarm HI: 100.0℃   Temp Alarm Low:0.0℃",
     ">>温度报警上限值: 100.0℃   温度报警下限值: 0.0℃"},
    {"QRealTimeData",
     ">>Temp MAX: 17.9℃  @12-02-2016 15:42:39   Temp MIN: 19.0℃  @12-02-2016 15:28:02",
     ">>最小温度值: 24.6℃  @04-23-2017 17:24:54   最大温度值: 25.2℃  @04-23-2017 17:25:31 "},
    {"QRealTimeData", ">>Temp MIN: %1℃  @%2   Temp MAX: %3℃  @%4 ",
     ">>最小温度值: %1℃  @%2   最大温度值: %3℃  @%4 "},
    {"QRealTimeData", ">>Temp MIN: %1℉ @%2   Temp MAX: %3℉ @%4 ",
     ">>最小温度值: %1℉ @%2   最大温度值: %3℉ @%4 "},
    {"QRealTimeData", "Data has Import!", "数据已导出!"},
    {"QRealTimeData", "Dew Temperature", "露点温度"},
    {"QRealTimeData", "Download Failed:[Checksum error]", "下载失败，数据校检出错"},
    {"QRealTimeData", "Download Failed:[data missed]", "数据下载失败,数据已丢失"},
    {"QRealTimeData", "Download Success!", "下载成功!"},
    {"QRealTimeData", "Exit", "退出"},
    {"QRealTimeData", "Export", "导出"},
    {"QRealTimeData", "File has saved", "数据已保存"},
    {"QRealTimeData", "Heat Index", "酷热指数"},
    {"QRealTimeData", "High", "上限值"},
    {"QRealTimeData", "Humidity", "湿度"},
    {"QRealTimeData", "Low", "下限值"},
    {"QRealTimeData", "No data!", "没有离线数据!"},
    {"QRealTimeData", "Open", "导入"},
    {"QRealTimeData", "Open the wrong file!", "非法文件!"},
    {"QRealTimeData", "Report", "报告"},
    {"QRealTimeData", "Save File", "保存文件"},
    {"QRealTimeData", "Temperature", "温度"},
    {"QRealTimeData", "Temperature&Humidity Datalogger", "温湿度计"},
    {"QRealTimeData", "Time", "时间"},
    {"QRealTimeData", "unit %", "单位:%"},
    {"QRealTimeData", "unit: ℃", "单位: ℃"},
    {"QRealTimeData", "unit: ℉", "单位:℉"},
};

struct Message {
    QString context;
    QString source;
    QString comment;
};

// The texts lupdate finds in the program's sources, written to a translation source.
QVector<Message> readTranslationSource(const QString& path)
{
    QVector<Message> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return messages;
    QXmlStreamReader xml(&file);
    QString context;
    Message message;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name"))
            context = xml.readElementText();
        else if (xml.name() == QLatin1String("message"))
            message = {context, QString(), QString()};
        else if (xml.name() == QLatin1String("source"))
            message.source = xml.readElementText();
        else if (xml.name() == QLatin1String("comment"))
            message.comment = xml.readElementText();
        else if (xml.name() == QLatin1String("translation"))
            messages << message;
    }
    return messages;
}

} // namespace

// The Chinese catalogue embedded in the program: the texts it must hold exactly, and a
// translation for every text the program shows through tr().
class TestCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(translator.load(QLatin1String(Catalogue))); }

    void holdsOnlyHashesAndMessages();
    void listedTextsTranslateExactly_data();
    void listedTextsTranslateExactly();
    void everyProgramTextIsTranslated();

private:
    QTranslator translator;
};

void TestCatalogue::holdsOnlyHashesAndMessages()
{
    QFile file(QString::fromLatin1(Catalogue));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const QByteArray magic = QByteArray::fromHex("3CB86418CAEF9C95CD211CBF60A1BDDD");
    QVERIFY(bytes.startsWith(magic));
    // Each section: a tag byte and a 32-bit big-endian length.
    QVector<int> tags;
    for (int at = magic.size(); at + 5 <= bytes.size();) {
        tags << quint8(bytes.at(at));
        at += 5 + qFromBigEndian<quint32>(bytes.constData() + at + 1);
    }
    const int hashes = 0x42;
    const int messages = 0x69;
    QCOMPARE(tags, (QVector<int>{hashes, messages}));
    QVERIFY(translator.language().isEmpty());
}

void TestCatalogue::listedTextsTranslateExactly_data()
{
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("chinese");
    for (const Listed& text : listedTexts)
        QTest::addRow("%s: %s", text.context, text.source)
            << QString::fromUtf8(text.context) << QString::fromUtf8(text.source)
            << QString::fromUtf8(text.chinese);
}

void TestCatalogue::listedTextsTranslateExactly()
{
    QFETCH(QString, context);
    QFETCH(QString, source);
    QFETCH(QString, chinese);
    QCOMPARE(translator.translate(qPrintable(context), source.toUtf8().constData()), chinese);
}

void TestCatalogue::everyProgramTextIsTranslated()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString found = folder.filePath(QStringLiteral("found.ts"));
    QStringList arguments = QString::fromUtf8(PROGRAM_SOURCE_DIRS).split(QLatin1Char('|'));
    arguments << QStringLiteral("-no-obsolete") << QStringLiteral("-locations")
              << QStringLiteral("none") << QStringLiteral("-ts") << found;
    QProcess lupdate;
    lupdate.start(QStringLiteral(LUPDATE), arguments);
    QVERIFY2(lupdate.waitForFinished(60000), qPrintable(lupdate.errorString()));
    QVERIFY2(lupdate.exitStatus() == QProcess::NormalExit && lupdate.exitCode() == 0,
             lupdate.readAllStandardError().constData());

    const QVector<Message> messages = readTranslationSource(found);
    QVERIFY(messages.size() > 100);
    QStringList missing;
    for (const Message& message : messages) {
        const QByteArray comment = message.comment.toUtf8();
        if (translator
                .translate(qPrintable(message.context), message.source.toUtf8().constData(),
                           comment.isEmpty() ? nullptr : comment.constData())
                .isEmpty())
            missing << QStringLiteral("%1: \"%2\"").arg(message.context, message.source);
    }
    QVERIFY2(missing.isEmpty(),
             qPrintable(QStringLiteral("%1 text(s) of the program have no Chinese translation in "
                                       "resources/language_Chinese.ts:\n  %2")
                            .arg(missing.size())
                            .arg(missing.join(QStringLiteral("\n  ")))));
}

HYGROLUX_TEST_MAIN_CORE(TestCatalogue)
#include "tst_catalogue.moc"
