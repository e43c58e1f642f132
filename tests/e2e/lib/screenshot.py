"""Reads a binary PPM screenshot (as `import -window root -depth 8 FILE.ppm` writes it)."""


class Screenshot:
    def __init__(self, path):
        data = open(path, "rb").read()
        # "P6", width, height, maxval, one whitespace, then RGB bytes; comments may stand
        # between the fields.
        fields, at = [], 0
        while len(fields) < 4:
            while data[at:at + 1].isspace():
                at += 1
            if data[at:at + 1] == b"#":
                at = data.index(b"\n", at)
                continue
            end = at
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[at:end])
            at = end
        if fields[0] != b"P6" or fields[3] != b"255":
            raise ValueError("%s is not an 8-bit binary PPM" % path)
        self.data = data
        self.start = at + 1
        self.width = int(fields[1])
        self.height = int(fields[2])

    def rgb(self, x, y):
        i = self.start + 3 * (y * self.width + x)
        return self.data[i], self.data[i + 1], self.data[i + 2]

    def pixel(self, x, y):
        r, g, b = self.rgb(x, y)
        return (r << 16) | (g << 8) | b
