"""Reads a binary PPM screenshot (as `import -window root -depth 8 FILE.ppm` writes it), and
checks the windowed intro in one: the check the Linux and the Wine end-to-end tests share."""


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


SILHOUETTE = 0x221133


def intro_window_problems(path, columns, silhouette_rows, black_rows, outside):
    """What is wrong with the windowed intro in a 1024 x 768 screenshot, as a list of lines
    (empty when it looks right). The window must show the silhouette 0x221133 in every pixel
    of `silhouette_rows` x `columns`, none of it at the `outside` points (x, y), black in
    `black_rows` (above the panels) and at least 100 colours where the panels are (rows 140
    to 559). The numbers depend on how the window is drawn: the SDL host fills it to its
    edges, Wine draws a one-pixel border and shows the picture inside it."""
    shot = Screenshot(path)
    assert (shot.width, shot.height) == (1024, 768), (shot.width, shot.height)
    pixel = shot.pixel
    problems = []
    for y in silhouette_rows:
        wrong = [x for x in columns if pixel(x, y) != SILHOUETTE]
        if wrong:
            problems.append("row %d: %d pixels are not the silhouette (first at x %d: %06x)"
                            % (y, len(wrong), wrong[0], pixel(wrong[0], y)))
    for x, y in outside:
        if pixel(x, y) == SILHOUETTE:
            problems.append("silhouette colour outside the window at (%d, %d)" % (x, y))
    lit = [x for x in columns for y in black_rows if pixel(x, y) & 0xF0F0F0]
    if lit:
        problems.append("%d pixels above the panels are not black" % len(lit))
    colours = {pixel(x, y) for x in columns[::3] for y in range(140, 560, 3)}
    if len(colours) < 100:
        problems.append("only %d colours where the panels are" % len(colours))
    return problems


def report(problems):
    """Prints the problems, one a line, and ends the program: status 1 when there are any."""
    for p in problems:
        print(p)
    raise SystemExit(1 if problems else 0)
