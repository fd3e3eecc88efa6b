#!/usr/bin/python3
"""Writes the workbooks made by other programs that tst_sheet reads.

openpyxl-report.xlsx: a report sheet written by openpyxl (its texts as inline strings,
numbers, a boolean, merges, a centred merge in the styles part).
handmade-sheet.xlsx: a package written part by part with what openpyxl 3.0 does not
write: shared strings with rich-text runs and phonetic hints, escaped characters,
formula strings, errors, cells and rows without a reference, and a first sheet that is
not sheet1.xml (a decoy sheet1.xml holds other text).

Run from anywhere with Debian's python3-openpyxl:
    /usr/bin/python3 tests/data/make-openpyxl-fixture.py
"""
import os
import zipfile

import openpyxl
from openpyxl.styles import Alignment

HERE = os.path.dirname(os.path.abspath(__file__))


def make_openpyxl_report(path):
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Report"
    sheet["A1"] = ("Record data number:2 : time:12-02-2016 15-26-05 : ht:60 : lt:-20 : "
                   "hh:90 : ht:10 : inval:1 :isC:1")
    sheet.merge_cells("A1:F1")
    sheet["A2"] = "Test Report"
    sheet["A2"].alignment = Alignment(horizontal="center", vertical="center")
    sheet.merge_cells("A2:F2")
    sheet["A4"] = ">>Start Time:12-02-2016 15:26:05"
    sheet.merge_cells("A4:D4")
    titles = ["NO", "time", "temperature(\u2103)", "humidity", "Heat Index(\u2103)",
              "Dew Temperature(\u2103)"]
    for column, title in enumerate(titles, start=1):
        sheet.cell(row=13, column=column, value=title)
    sheet["A14"] = " 0001  "
    sheet["B14"] = "12-02-2016 15:26:05"
    sheet["C14"] = 23.5
    sheet["D14"] = 45
    sheet["E14"] = "23.1"
    sheet["F14"] = "10.6"
    sheet["A15"] = " 0002  "
    sheet["C15"] = -4.25
    sheet["G15"] = True
    sheet["A25"] = "row 25"
    book.save(path)


CONTENT_TYPES = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>
<Default Extension="xml" ContentType="application/xml"/>
<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>
<Override PartName="/xl/worksheets/first.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>
<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>
<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>
</Types>"""

ROOT_RELS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>
</Relationships>"""

WORKBOOK = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:rel="http://schemas.openxmlformats.org/officeDocument/2006/relationships">
<sheets><sheet name="Data" sheetId="3" rel:id="rId7"/><sheet name="Other" sheetId="1" rel:id="rId1"/></sheets>
</workbook>"""

WORKBOOK_RELS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>
<Relationship Id="rId7" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="/xl/worksheets/first.xml"/>
<Relationship Id="rId9" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>
</Relationships>"""

SHARED_STRINGS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="4" uniqueCount="4">
<si><t>Test Report</t></si>
<si><r><rPr><b/></rPr><t>temperature</t></r><r><t>(\u2109)</t></r></si>
<si><t xml:space="preserve"> 0012  </t><rPh sb="0" eb="1"><t>hint</t></rPh><phoneticPr fontId="1"/></si>
<si><t>line_x000D_break</t></si>
</sst>"""

FIRST_SHEET = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<sheetData>
<row r="2"><c r="A2" t="s"><v>0</v></c></row>
<row><c t="s"><v>1</v></c><c t="inlineStr"><is><t>inline</t></is></c><c t="inlineStr"><is><r><t>in</t></r><r><t xml:space="preserve">line runs </t></r></is></c></row>
<row r="5"><c r="B5" t="s"><v>2</v></c><c r="D5" t="str"><f>CONCAT("a","b")</f><v>ab</v></c><c t="b"><v>1</v></c><c t="b"><v>0</v></c><c t="e"><v>#DIV/0!</v></c></row>
<row r="6"><c r="A6"><v>23.5</v></c><c r="B6" t="n"><v>45</v></c><c r="C6"/><c r="D6" t="s"><v>3</v></c><c r="E6" t="s"><v>99</v></c></row>
</sheetData>
<mergeCells count="1"><mergeCell ref="A2:F2"/></mergeCells>
</worksheet>"""

DECOY_SHEET = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>not the first sheet</t></is></c></row></sheetData>
</worksheet>"""


def make_handmade_sheet(path):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as package:
        package.writestr("[Content_Types].xml", CONTENT_TYPES)
        package.writestr("_rels/.rels", ROOT_RELS)
        package.writestr("xl/workbook.xml", WORKBOOK)
        package.writestr("xl/_rels/workbook.xml.rels", WORKBOOK_RELS)
        package.writestr("xl/sharedStrings.xml", SHARED_STRINGS)
        package.writestr("xl/worksheets/first.xml", FIRST_SHEET)
        package.writestr("xl/worksheets/sheet1.xml", DECOY_SHEET)


if __name__ == "__main__":
    make_openpyxl_report(os.path.join(HERE, "openpyxl-report.xlsx"))
    make_handmade_sheet(os.path.join(HERE, "handmade-sheet.xlsx"))
