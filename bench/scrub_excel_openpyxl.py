# The peer of bench_scrub_excel: the same workbook scrub written with
# openpyxl as a user would write it. The DNC numbers come from a text of
# "AAA,PPPPPPP" lines (loading them is part of the work).
#   scrub_excel_openpyxl.py DNC_TEXT BOOK SHEET mark|delete OK_FILE DNC_FILE
import datetime
import re
import sys

import openpyxl

dnc_text, book, sheet_name, mode, ok_path, dnc_path = sys.argv[1:7]
dnc = set()
with open(dnc_text) as f:
    for line in f:
        area, local = line.strip().split(",")
        dnc.add(area + local)

wb = openpyxl.load_workbook(book)
ws = wb[sheet_name]
junk = re.compile(r"[-() #]")
found = not_found = unusable = 0
kept = []
with open(ok_path, "w", newline="") as ok, open(dnc_path, "w", newline="") as out:
    ok.write("Numbers Not In DNC List\r\n")
    out.write("Numbers In DNC List, Remove Time\r\n")
    for row in ws.iter_rows(min_row=2):
        value = row[1].value
        number = "" if value is None else (str(int(value)) if isinstance(value, (int, float)) else str(value))
        if len(number) >= 7 and not number.isdigit():
            number = junk.sub("", number)
        if len(number) == 11:
            number = number[1:]
        if len(number) != 10:
            unusable += 1
            kept.append(row)
        elif number in dnc:
            found += 1
            out.write("%s,%s\r\n" % (number, datetime.datetime.now().strftime("%m/%d/%Y %I:%M:%S %p")))
            if mode == "mark":
                row[2].value = "DNC" + ("" if row[2].value is None else str(row[2].value))
                kept.append(row)
        else:
            not_found += 1
            ok.write(number + "\r\n")
            kept.append(row)

if mode == "delete":
    # One pass: the kept rows' values, then the sheet rewritten below its title.
    values = [[c.value for c in row] for row in kept]
    ws.delete_rows(2, ws.max_row)
    for v in values:
        ws.append(v)
wb.save(book)
print("%d not found, %d found, %d unusable" % (not_found, found, unusable))
