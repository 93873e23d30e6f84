#!/usr/bin/env python3
"""Reads an .ics file with python3-icalendar and expands its events with
dateutil's rrule: prints "CALNAME name" and then, sorted, one line per
occurrence from FIRST through LAST (yyyy-mm-dd): "date|uid|summary|trigger"."""
import sys
from datetime import date, datetime, timedelta

from dateutil.rrule import rrulestr
from icalendar import Calendar


def main():
    path, first, last = sys.argv[1], date.fromisoformat(sys.argv[2]), date.fromisoformat(sys.argv[3])
    with open(path, 'rb') as f:
        calendar = Calendar.from_ical(f.read())
    print('CALNAME', str(calendar.get('X-WR-CALNAME')))
    lines = []
    for event in calendar.walk('VEVENT'):
        start = event.decoded('DTSTART')
        end = event.decoded('DTEND')
        assert isinstance(start, date) and not isinstance(start, datetime), 'DTSTART is not a date'
        assert end - start == timedelta(days=1), 'DTEND is not the day after'
        assert str(event.get('TRANSP')) == 'TRANSPARENT'
        alarms = [str(a.get('TRIGGER').to_ical().decode()) for a in event.walk('VALARM')]
        trigger = alarms[0] if alarms else '-'
        if 'RRULE' in event:
            rule = rrulestr(event['RRULE'].to_ical().decode(), dtstart=datetime.combine(start, datetime.min.time()))
            days = [d.date() for d in rule.between(datetime.combine(first, datetime.min.time()),
                                                   datetime.combine(last, datetime.min.time()), inc=True)]
        else:
            days = [start] if first <= start <= last else []
        for d in days:
            lines.append('%s|%s|%s|%s' % (d.isoformat(), event.get('UID'), event.get('SUMMARY'), trigger))
    for line in sorted(lines):
        print(line)


if __name__ == '__main__':
    main()
