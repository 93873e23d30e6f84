#!/usr/bin/env python3
"""Reads a .vcf file with python3-vobject and prints one line per card:
"FN|family,given,additional|BDAY|ANNIVERSARY|DEATHDATE|label=date ...|photo bytes",
the photo's bytes counted after decoding its data: URI. vobject reads a
PHOTO as a vCard 3.0 text list, which cuts a data: URI at its comma, so the
photo's value is taken from vobject's own content-line parser."""
import base64
import io
import sys

import vobject


def value(card, name):
    return card.contents[name][0].value if name in card.contents else '-'


def raw_photos(text):
    """The PHOTO value of each card, in order ('-' for none)."""
    photos = []
    for line, _ in vobject.base.getLogicalLines(io.StringIO(text)):
        name, _, content, _ = vobject.base.parseLine(line)
        if name == 'BEGIN':
            photos.append('-')
        elif name == 'PHOTO':
            photos[-1] = content
    return photos


def main():
    with open(sys.argv[1], encoding='utf-8', newline='') as f:
        text = f.read()
    photos = raw_photos(text)
    for index, card in enumerate(vobject.readComponents(text)):
        n = card.n.value
        labels = {}
        dates = []
        for child in card.getChildren():
            if child.name == 'X-ABLABEL':
                labels[child.group] = child.value
        for child in card.getChildren():
            if child.name == 'X-ABDATE':
                dates.append('%s=%s' % (labels.get(child.group, '?'), child.value))
        photo = photos[index]
        size = len(base64.b64decode(photo.split(',', 1)[1])) if photo.startswith('data:') else 0
        print('|'.join([card.fn.value, ','.join([n.family, n.given, n.additional]), value(card, 'bday'),
                        value(card, 'anniversary'), value(card, 'deathdate'), ' '.join(dates), str(size)]))


if __name__ == '__main__':
    main()
