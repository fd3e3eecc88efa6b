<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1">
<context>
    <name>Temp</name>
    <message>
        <source>Analyse</source>
        <translation>分析</translation>
    </message>
    <message>
        <source>Calibration time</source>
        <translation>校准时间</translation>
    </message>
    <message>
        <source>Calibration time:OK</source>
        <translation>校准时间:成功</translation>
    </message>
    <message>
        <source>Centigrade</source>
        <translation>摄氏度</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Closes the program</source>
        <translation>关闭程序</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>连接设备</translation>
    </message>
    <message>
        <source>Connected to Device failed!</source>
        <translation>设备连接失败！</translation>
    </message>
    <message>
        <source>Connected to the device:OK</source>
        <translation>设备已连接</translation>
    </message>
    <message>
        <source>Connects to the logger through its USB adapter, or ends the connection</source>
        <translation>通过 USB 适配器连接记录仪，或断开连接</translation>
    </message>
    <message>
        <source>Critical Error</source>
        <translation>校准出错</translation>
    </message>
    <message>
        <source>Dew Temperature:</source>
        <translation>露点温度:</translation>
    </message>
    <message>
        <source>Dew temperature</source>
        <translation>露点温度</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>断开连接</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>下载</translation>
    </message>
    <message>
        <source>Downloads the logger&apos;s records and shows them; without a logger, opens saved files</source>
        <translation>下载记录仪中的记录并显示；未连接记录仪时，打开已保存的文件</translation>
    </message>
    <message>
        <source>Fahrenheit</source>
        <translation>华氏度</translation>
    </message>
    <message>
        <source>Friday</source>
        <translation>周五</translation>
    </message>
    <message>
        <source>Heat Index:</source>
        <translation>酷热指数:</translation>
    </message>
    <message>
        <source>Heat index</source>
        <translation>酷热指数</translation>
    </message>
    <message>
        <source>Humidity</source>
        <translation>湿度</translation>
    </message>
    <message>
        <source>Humidity:</source>
        <translation>湿度:</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>语言</translation>
    </message>
    <message>
        <source>Maximises the window, or restores its size</source>
        <translation>最大化窗口，或恢复原来的大小</translation>
    </message>
    <message>
        <source>Maximize</source>
        <translation>最大化</translation>
    </message>
    <message>
        <source>Minimises the window</source>
        <translation>最小化窗口</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>最小化</translation>
    </message>
    <message>
        <source>Monday</source>
        <translation>周一</translation>
    </message>
    <message>
        <source>Not found a valid device!</source>
        <translation>没有找到设备!</translation>
    </message>
    <message>
        <source>Opens the recording settings: interval, number of records, mode and alarm limits</source>
        <translation>打开记录设置：时间间隔、记录次数、记录方式和报警值</translation>
    </message>
    <message>
        <source>REC</source>
        <translation>记录次数</translation>
    </message>
    <message>
        <source>Record data Error!</source>
        <translation>数据读取出错!</translation>
    </message>
    <message>
        <source>Saturday</source>
        <translation>周六</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>下载设置</translation>
    </message>
    <message>
        <source>Set data command sent</source>
        <translation>数据正在记录</translation>
    </message>
    <message>
        <source>Sets the logger&apos;s clock to this computer&apos;s time</source>
        <translation>将记录仪的时钟设为本电脑的时间</translation>
    </message>
    <message>
        <source>Shows the temperatures in degrees Celsius</source>
        <translation>以摄氏度显示温度</translation>
    </message>
    <message>
        <source>Shows the temperatures in degrees Fahrenheit</source>
        <translation>以华氏度显示温度</translation>
    </message>
    <message>
        <source>Stop Record</source>
        <translation>停止记录</translation>
    </message>
    <message>
        <source>Stop record data</source>
        <translation>停止记录</translation>
    </message>
    <message>
        <source>Stop record:OK</source>
        <translation>停止记录</translation>
    </message>
    <message>
        <source>Stop the recording? The logger keeps the records it holds.</source>
        <translation>停止记录吗？记录仪会保留已有的记录。</translation>
    </message>
    <message>
        <source>Stops the logger&apos;s recording</source>
        <translation>停止记录仪的记录</translation>
    </message>
    <message>
        <source>Sunday</source>
        <translation>周日</translation>
    </message>
    <message>
        <source>Switches every window between English and Chinese</source>
        <translation>在英文和中文之间切换所有窗口</translation>
    </message>
    <message>
        <source>Temp</source>
        <translation>Hygrolux</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>温度</translation>
    </message>
    <message>
        <source>Temperature unit</source>
        <translation>温度单位</translation>
    </message>
    <message>
        <source>Temperature&amp;Humidity Datalogger</source>
        <translation>温湿度计</translation>
    </message>
    <message>
        <source>Temperature:</source>
        <translation>温度：</translation>
    </message>
    <message>
        <source>The logger did not acknowledge the command. Check the connection and try again.</source>
        <translation>记录仪没有确认该命令，请检查连接后重试。</translation>
    </message>
    <message>
        <source>The logger sends no live readings.</source>
        <translation>记录仪没有发送实时读数。</translation>
    </message>
    <message>
        <source>The logger&apos;s port %1 cannot be opened: permission denied. Add your user to the &quot;dialout&quot; group (&quot;uucp&quot; on some systems), then log out and in again.</source>
        <translation>无法打开记录仪的端口 %1：权限不足。请将当前用户加入 &quot;dialout&quot; 组（部分系统为 &quot;uucp&quot; 组），然后注销并重新登录。</translation>
    </message>
    <message>
        <source>Thursday</source>
        <translation>周四</translation>
    </message>
    <message>
        <source>Tuesday</source>
        <translation>周二</translation>
    </message>
    <message>
        <source>Wednesday</source>
        <translation>周三</translation>
    </message>
</context>
<context>
    <name>Set</name>
    <message>
        <source>Auto</source>
        <translation>自动</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Closes this window without sending anything (Esc)</source>
        <translation>关闭此窗口，不发送任何设置（Esc）</translation>
    </message>
    <message>
        <source>Error:High humidity value should be greater than the low humidity value</source>
        <translation>湿度报警上限值应该大于下限值</translation>
    </message>
    <message>
        <source>Error:High temperature value should be greater than the low temperature value</source>
        <translation>温度报警上限值应该大于下限值</translation>
    </message>
    <message>
        <source>Error:Record interval is too long, should be at most 18 h 12 min 15 s (65535 sec)</source>
        <translation>时间间隔过长，最长为18时12分15秒（65535秒）！</translation>
    </message>
    <message>
        <source>High Humidity alarm value:</source>
        <translation>湿度报警上限值:</translation>
    </message>
    <message>
        <source>High Temperature alarm value:</source>
        <translation>温度报警上限值:</translation>
    </message>
    <message>
        <source>Hour</source>
        <translation>时</translation>
    </message>
    <message>
        <source>Low Humidity alarm value:</source>
        <translation>湿度报警下限值:</translation>
    </message>
    <message>
        <source>Low Temperature alarm value:</source>
        <translation>温度报警下限值:</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>手动</translation>
    </message>
    <message>
        <source>Min</source>
        <translation>分</translation>
    </message>
    <message>
        <source>Record Mode:</source>
        <translation>记录方式:</translation>
    </message>
    <message>
        <source>Recording number：</source>
        <translation>记录次数:</translation>
    </message>
    <message>
        <source>Recording time interval:</source>
        <translation>时间间隔:</translation>
    </message>
    <message>
        <source>Sec</source>
        <translation>秒</translation>
    </message>
    <message>
        <source>Sends these settings to the logger (Enter)</source>
        <translation>将这些设置发送到记录仪（Enter）</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>The logger starts recording as soon as it has these settings</source>
        <translation>记录仪收到设置后立即开始记录</translation>
    </message>
    <message>
        <source>The logger starts recording when its own button is pressed</source>
        <translation>按下记录仪上的按键后开始记录</translation>
    </message>
    <message>
        <source>apply</source>
        <translation>发送</translation>
    </message>
    <message>
        <source>record interval is illegal, should be greater than 0!</source>
        <translation>时间间隔应该大于1秒钟！</translation>
    </message>
</context>
<context>
    <name>QRealTimeData</name>
    <message>
        <source>%1 cannot be written (%2)</source>
        <translation>无法写入 %1（%2）</translation>
    </message>
    <message>
        <source>%1 is the download&apos;s own data file; choose another name</source>
        <translation>%1 是本次下载自身的数据文件，请另选文件名</translation>
    </message>
    <message>
        <source>%1 is the data file kept from the download before; choose another name</source>
        <translation>%1 是上一次下载保留的数据文件，请另选文件名</translation>
    </message>
    <message>
        <source>&gt;&gt;Data number: %1</source>
        <translation>&gt;&gt;记录次数: %1</translation>
    </message>
    <message>
        <source>&gt;&gt;Data number: 1000</source>
        <translation>&gt;&gt;记录次数: 50</translation>
    </message>
    <message>
        <source>&gt;&gt;End Time:%1</source>
        <translation>&gt;&gt;结束时间:%1</translation>
    </message>
    <message>
        <source>&gt;&gt;End Time:12-02-2016 15:42:39</source>
        <translation>&gt;&gt;结束时间:04-23-2017 17:25:43</translation>
    </message>
    <message>
        <source>&gt;&gt;RH Alarm HI: %1 %RH   RH Alarm Low: %2 %RH</source>
        <translation>&gt;&gt;湿度报警上限值: %1 %RH   湿度报警下限值 :%2 %RH</translation>
    </message>
    <message>
        <source>&gt;&gt;RH Alarm HI:100 %RH   RH Alarm Low: 0 %RH</source>
        <translation>&gt;&gt;湿度报警上限值: 100 %RH   湿度报警下限值 :0 %RH</translation>
    </message>
    <message>
        <source>&gt;&gt;RH MAX: 41.2%RH @12-02-2016 15:42:39   RH MIN:99.8%RH @12-02-2016 15:28:02</source>
        <translation>&gt;&gt;最小湿度值: 43.9%RH @04-23-2017 17:24:54   最大湿度值:76.2%RH @04-23-2017 17:25:31</translation>
    </message>
    <message>
        <source>&gt;&gt;RH MIN: %1%RH @%2   RH MAX:%3%RH @%4</source>
        <translation>&gt;&gt;最小湿度值: %1%RH @%2   最大湿度值:%3%RH @%4</translation>
    </message>
    <message>
        <source>&gt;&gt;Sampling rate:  1 sec</source>
        <translation>&gt;&gt;记录间隔:1 秒</translation>
    </message>
    <message>
        <source>&gt;&gt;Sampling rate: %1 sec</source>
        <translation>&gt;&gt;记录间隔:%1 秒</translation>
    </message>
    <message>
        <source>&gt;&gt;Start Time:%1</source>
        <translation>&gt;&gt;开始时间:%1</translation>
    </message>
    <message>
        <source>&gt;&gt;Start Time:12-02-2016 15:26:05</source>
        <translation>&gt;&gt;开始时间:12-02-2016 15:26:05</translation>
    </message>
    <message>
        <source>&gt;&gt;Temp Alarm HI: %1℃   Temp Alarm Low: %2℃</source>
        <translation>&gt;&gt;温度报警上限值: %1℃   温度报警下限值: %2℃</translation>
    </message>
    <message>
        <source>&gt;&gt;Temp Alarm HI: %1℉   Temp Alarm Low: %2℉</source>
        <translation>&gt;&gt;温度报警上限值:%1℉   温度报警下限值:%2℉</translation>
    </message>
    <message>
        <source>&gt;&gt;Temp Alarm HI: 100.0℃   Temp Alarm Low:0.0℃</source>
        <translation>&gt;&gt;温度报警上限值: 100.0℃   温度报警下限值: 0.0℃</translation>
    </message>
    <message>
        <source>&gt;&gt;Temp MAX: 17.9℃  @12-02-2016 15:42:39   Temp MIN: 19.0℃  @12-02-2016 15:28:02</source>
        <translation>&gt;&gt;最小温度值: 24.6℃  @04-23-2017 17:24:54   最大温度值: 25.2℃  @04-23-2017 17:25:31 </translation>
    </message>
    <message>
        <source>&gt;&gt;Temp MIN: %1℃  @%2   Temp MAX: %3℃  @%4 </source>
        <translation>&gt;&gt;最小温度值: %1℃  @%2   最大温度值: %3℃  @%4 </translation>
    </message>
    <message>
        <source>&gt;&gt;Temp MIN: %1℉ @%2   Temp MAX: %3℉ @%4 </source>
        <translation>&gt;&gt;最小温度值: %1℉ @%2   最大温度值: %3℉ @%4 </translation>
    </message>
    <message>
        <source>Analysis</source>
        <translation>分析</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>返回</translation>
    </message>
    <message>
        <source>Data has Import!</source>
        <translation>数据已导出!</translation>
    </message>
    <message>
        <source>Dew Temperature</source>
        <translation>露点温度</translation>
    </message>
    <message>
        <source>Download Failed:[%1 could not be written: %2]</source>
        <translation>数据下载失败,%1 无法写入:%2</translation>
    </message>
    <message>
        <source>Download Failed:[Checksum error]</source>
        <translation>下载失败，数据校检出错</translation>
    </message>
    <message>
        <source>Download Failed:[data missed]</source>
        <translation>数据下载失败,数据已丢失</translation>
    </message>
    <message>
        <source>Download Success!</source>
        <translation>下载成功!</translation>
    </message>
    <message>
        <source>The logger holds no records.</source>
        <translation>记录仪中没有记录。</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>File (*.txt);;Excel (*.xlsx *.xls)</source>
        <translation>文件 (*.txt);;Excel (*.xlsx *.xls)</translation>
    </message>
    <message>
        <source>File (*.txt);;Excel (*.xlsx *.xls);;PDF (*.pdf);;CSV (*.csv);;Picture (*.png)</source>
        <translation>文件 (*.txt);;Excel (*.xlsx *.xls);;PDF (*.pdf);;CSV (*.csv);;图片 (*.png)</translation>
    </message>
    <message>
        <source>File has saved</source>
        <translation>数据已保存</translation>
    </message>
    <message>
        <source>File was not saved: %1</source>
        <translation>文件未保存：%1</translation>
    </message>
    <message>
        <source>Goes back to the main window</source>
        <translation>返回主窗口</translation>
    </message>
    <message>
        <source>Heat Index</source>
        <translation>酷热指数</translation>
    </message>
    <message>
        <source>High</source>
        <translation>上限值</translation>
    </message>
    <message>
        <source>Humidity</source>
        <translation>湿度</translation>
    </message>
    <message>
        <source>Low</source>
        <translation>下限值</translation>
    </message>
    <message>
        <source>Minimises the window</source>
        <translation>最小化窗口</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>最小化</translation>
    </message>
    <message>
        <source>No data!</source>
        <translation>没有离线数据!</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>导入</translation>
    </message>
    <message>
        <source>Open the wrong file!</source>
        <translation>非法文件!</translation>
    </message>
    <message>
        <source>%1 was not opened: it holds more than %2 records.</source>
        <translation>%1 未打开：其中记录超过 %2 条。</translation>
    </message>
    <message>
        <source>Opens a saved data file or workbook</source>
        <translation>打开已保存的数据文件或工作簿</translation>
    </message>
    <message>
        <source>Records</source>
        <translation>记录</translation>
    </message>
    <message>
        <source>Report</source>
        <translation>报告</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>保存文件</translation>
    </message>
    <message>
        <source>Saves the download as text, workbook, PDF or CSV, or the charts as a picture</source>
        <translation>将下载的数据保存为文本、工作簿、PDF 或 CSV 文件，或将图表保存为图片</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>温度</translation>
    </message>
    <message>
        <source>Temperature&amp;Humidity Datalogger</source>
        <translation>温湿度计</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>no file name was given</source>
        <translation>没有给出文件名</translation>
    </message>
    <message>
        <source>no temporary folder to build the file in (%1)</source>
        <translation>没有可用于生成文件的临时文件夹（%1）</translation>
    </message>
    <message>
        <source>the PDF document could not be built</source>
        <translation>无法生成 PDF 文档</translation>
    </message>
    <message>
        <source>Report with charts (*.pdf)</source>
        <translation>带图表的报告 (*.pdf)</translation>
    </message>
    <message>
        <source>%1 is the file the report is made from; choose another name</source>
        <translation>%1 是报告所依据的文件，请另选文件名</translation>
    </message>
    <message>
        <source>the data file %1 cannot be read (%2)</source>
        <translation>无法读取数据文件 %1（%2）</translation>
    </message>
    <message>
        <source>the name must contain .txt, .xlsx, .xls, .pdf, .csv or .png, in small letters</source>
        <translation>文件名须包含小写的 .txt、.xlsx、.xls、.pdf、.csv 或 .png</translation>
    </message>
    <message>
        <source>the picture could not be drawn</source>
        <translation>无法绘制图片</translation>
    </message>
    <message>
        <source>no records in it</source>
        <translation>其中没有记录</translation>
    </message>
    <message>
        <source>the workbook could not be built</source>
        <translation>无法生成工作簿</translation>
    </message>
    <message>
        <source>unit %</source>
        <translation>单位:%</translation>
    </message>
    <message>
        <source>unit: ℃</source>
        <translation>单位: ℃</translation>
    </message>
    <message>
        <source>unit: ℉</source>
        <translation>单位:℉</translation>
    </message>
</context>
<context>
    <name>LoggedDownload</name>
    <message>
        <source>%1 cannot be written (%2). The download was not started.</source>
        <translation>无法写入 %1（%2），下载未开始。</translation>
    </message>
    <message>
        <source>The last data file cannot be kept as %1 (%2). The download was not started.</source>
        <translation>无法将上一个数据文件保留为 %1（%2），下载未开始。</translation>
    </message>
    <message>
        <source>The records were downloaded, but %1 could not be completed with their report.</source>
        <translation>记录已下载，但未能把报告写入 %1。</translation>
    </message>
</context>
<context>
    <name>DownloadArchive</name>
    <message>
        <source>%1 cannot be created (%2)</source>
        <translation>无法创建 %1（%2）</translation>
    </message>
    <message>
        <source>%1 cannot be read (%2)</source>
        <translation>无法读取 %1（%2）</translation>
    </message>
    <message>
        <source>%1 cannot be written (%2)</source>
        <translation>无法写入 %1（%2）</translation>
    </message>
    <message>
        <source>%1 is not a folder</source>
        <translation>%1 不是文件夹</translation>
    </message>
    <message>
        <source>Already archived with the same records: %1</source>
        <translation>相同的记录已存档：%1</translation>
    </message>
    <message>
        <source>Archived: %1</source>
        <translation>已存档：%1</translation>
    </message>
    <message>
        <source>Not archived: %1</source>
        <translation>未存档：%1</translation>
    </message>
    <message>
        <source>every name of this download is taken</source>
        <translation>此次下载的所有文件名均已被占用</translation>
    </message>
</context>
<context>
    <name>AuditReport</name>
    <message>
        <source>Temperature and humidity record</source>
        <translation>温湿度记录报告</translation>
    </message>
    <message>
        <source>File: %1</source>
        <translation>文件：%1</translation>
    </message>
    <message>
        <source>Logger settings</source>
        <translation>记录仪设置</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>开始时间</translation>
    </message>
    <message>
        <source>End</source>
        <translation>结束时间</translation>
    </message>
    <message>
        <source>Interval</source>
        <translation>记录间隔</translation>
    </message>
    <message>
        <source>Records</source>
        <translation>记录</translation>
    </message>
    <message>
        <source>%1 of %2 announced</source>
        <translation>%1 条（应有 %2 条）</translation>
    </message>
    <message>
        <source>Temperature limits</source>
        <translation>温度报警限值</translation>
    </message>
    <message>
        <source>Humidity limits</source>
        <translation>湿度报警限值</translation>
    </message>
    <message>
        <source>high %1, low %2</source>
        <translation>上限 %1，下限 %2</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>Result:</source>
        <translation>结论：</translation>
    </message>
    <message>
        <source>Figures</source>
        <translation>统计数据</translation>
    </message>
    <message>
        <source>Minimum</source>
        <translation>最小值</translation>
    </message>
    <message>
        <source>Maximum</source>
        <translation>最大值</translation>
    </message>
    <message>
        <source>Mean</source>
        <translation>平均值</translation>
    </message>
    <message>
        <source>MKT</source>
        <translation>MKT</translation>
    </message>
    <message>
        <source>Above high</source>
        <translation>高于上限</translation>
    </message>
    <message>
        <source>Below low</source>
        <translation>低于下限</translation>
    </message>
    <message>
        <source>Excursions</source>
        <translation>超限记录</translation>
    </message>
    <message>
        <source>Longest</source>
        <translation>最长</translation>
    </message>
    <message>
        <source>Temperature (%1)</source>
        <translation>温度（%1）</translation>
    </message>
    <message>
        <source>Humidity (%1)</source>
        <translation>湿度（%1）</translation>
    </message>
    <message>
        <source>MKT: mean kinetic temperature, with ΔH/R = %1 K. Each record beyond a limit counts one interval.</source>
        <translation>MKT：平均动力学温度，ΔH/R = %1 K。每条超限记录计一个记录间隔。</translation>
    </message>
    <message>
        <source>No.</source>
        <translation>序号</translation>
    </message>
    <message>
        <source>Quantity</source>
        <translation>项目</translation>
    </message>
    <message>
        <source>Beyond</source>
        <translation>超出限值</translation>
    </message>
    <message>
        <source>Begins</source>
        <translation>开始时间</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>持续时间</translation>
    </message>
    <message>
        <source>Extreme</source>
        <translation>极值</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>温度</translation>
    </message>
    <message>
        <source>Humidity</source>
        <translation>湿度</translation>
    </message>
    <message>
        <source>above %1</source>
        <translation>高于 %1</translation>
    </message>
    <message>
        <source>below %1</source>
        <translation>低于 %1</translation>
    </message>
    <message>
        <source>Continued on page 2.</source>
        <translation>续见第 2 页。</translation>
    </message>
    <message>
        <source>Excursions (continued)</source>
        <translation>超限记录（续）</translation>
    </message>
    <message>
        <source>High %1</source>
        <translation>上限 %1</translation>
    </message>
    <message>
        <source>Low %1</source>
        <translation>下限 %1</translation>
    </message>
    <message>
        <source>Checked by</source>
        <translation>审核人</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>Signature</source>
        <translation>签名</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Values above the high limit are marked ▲, values below the low limit ▼.</source>
        <translation>高于上限的数值标记为 ▲，低于下限的标记为 ▼。</translation>
    </message>
    <message>
        <source>SHA-256:</source>
        <translation>SHA-256：</translation>
    </message>
    <message>
        <source>Made %1</source>
        <translation>生成于 %1</translation>
    </message>
    <message>
        <source>page %1 of %2</source>
        <translation>第 %1 页，共 %2 页</translation>
    </message>
</context>
<context>
    <name>Figures</name>
    <message>
        <source>d</source>
        <translation>天</translation>
    </message>
    <message>
        <source>h</source>
        <translation>小时</translation>
    </message>
    <message>
        <source>min</source>
        <translation>分钟</translation>
    </message>
    <message>
        <source>s</source>
        <translation>秒</translation>
    </message>
    <message>
        <source>No records</source>
        <translation>无记录</translation>
    </message>
    <message>
        <source>Within limits</source>
        <translation>均在限值内</translation>
    </message>
    <message>
        <source>%1 above %2</source>
        <translation>%1 高于 %2</translation>
    </message>
    <message>
        <source>%1 below %2</source>
        <translation>%1 低于 %2</translation>
    </message>
    <message>
        <source>1 excursion: %1</source>
        <translation>1 次超限：%1</translation>
    </message>
    <message>
        <source>%1 excursions: %2</source>
        <translation>%1 次超限：%2</translation>
    </message>
    <message>
        <source>No records, so no figures.</source>
        <translation>没有记录，因此没有统计数据。</translation>
    </message>
    <message>
        <source>Figures over the %1 records that arrived of %2 announced</source>
        <translation>统计基于已收到的 %1 条记录（应有 %2 条）</translation>
    </message>
    <message>
        <source>Temperature: min %1, max %2, mean %3</source>
        <translation>温度：最低 %1，最高 %2，平均 %3</translation>
    </message>
    <message>
        <source>Humidity: min %1, max %2, mean %3</source>
        <translation>湿度：最低 %1，最高 %2，平均 %3</translation>
    </message>
    <message>
        <source>Mean kinetic temperature: %1</source>
        <translation>平均动力学温度：%1</translation>
    </message>
    <message>
        <source>Temperature above %1: %2, below %3: %4</source>
        <translation>温度高于 %1：%2，低于 %3：%4</translation>
    </message>
    <message>
        <source>Humidity above %1: %2, below %3: %4</source>
        <translation>湿度高于 %1：%2，低于 %3：%4</translation>
    </message>
    <message>
        <source>Temperature excursions: %1, longest %2</source>
        <translation>温度超限次数：%1，最长 %2</translation>
    </message>
    <message>
        <source>Humidity excursions: %1, longest %2</source>
        <translation>湿度超限次数：%1，最长 %2</translation>
    </message>
    <message>
        <source>Result: %1</source>
        <translation>结论：%1</translation>
    </message>
</context>
<context>
    <name>LiveAlarm</name>
    <message>
        <source>Temperature %1 is above the high limit %2</source>
        <translation>温度 %1 高于报警上限 %2</translation>
    </message>
    <message>
        <source>Temperature %1 is below the low limit %2</source>
        <translation>温度 %1 低于报警下限 %2</translation>
    </message>
    <message>
        <source>Humidity %1 is above the high limit %2</source>
        <translation>湿度 %1 高于报警上限 %2</translation>
    </message>
    <message>
        <source>Humidity %1 is below the low limit %2</source>
        <translation>湿度 %1 低于报警下限 %2</translation>
    </message>
    <message>
        <source>Temperature %1 is back below the high limit %2</source>
        <translation>温度 %1 已回落到报警上限 %2 以下</translation>
    </message>
    <message>
        <source>Temperature %1 is back above the low limit %2</source>
        <translation>温度 %1 已回升到报警下限 %2 以上</translation>
    </message>
    <message>
        <source>Humidity %1 is back below the high limit %2</source>
        <translation>湿度 %1 已回落到报警上限 %2 以下</translation>
    </message>
    <message>
        <source>Humidity %1 is back above the low limit %2</source>
        <translation>湿度 %1 已回升到报警下限 %2 以上</translation>
    </message>
    <message>
        <source>Temperature alarm</source>
        <translation>温度报警</translation>
    </message>
    <message>
        <source>Temperature back within limits</source>
        <translation>温度已回到报警限值以内</translation>
    </message>
    <message>
        <source>Humidity alarm</source>
        <translation>湿度报警</translation>
    </message>
    <message>
        <source>Humidity back within limits</source>
        <translation>湿度已回到报警限值以内</translation>
    </message>
</context>
</TS>
