# Renders the benchmark site with gawk: one page per record of the data file,
# written under `out` by the record's File column.
#
#   LC_ALL=C gawk -f render.awk -v tpl=TEMPLATE_DIR -v out=OUT_ROOT DATA_CSV
#
# page.tpl holds {{name}} for a value, {{>name}} for the text of name.tpl and
# one {{note}}, which is the news note on its own line for news pages and one
# blank otherwise. Values follow the build language's field rules (trailing
# blanks dropped, an empty field is one blank).

function slurp(path,    save, text, status) {
    save = RS
    RS = "^$"
    text = ""
    status = (getline text < path)
    RS = save
    if (status < 0) {
        print "render.awk: cannot read " path > "/dev/stderr"
        exit 2
    }
    close(path)
    return text
}

function replace_all(text, from, to,    result, p) {
    result = ""
    while ((p = index(text, from)) > 0) {
        result = result substr(text, 1, p - 1) to
        text = substr(text, p + length(from))
    }
    return result text
}

# Puts the text of each {{>name}} fragment in its place.
function expand(text,    p, q, name) {
    while ((p = index(text, "{{>")) > 0) {
        q = index(substr(text, p), "}}")
        name = substr(text, p + 3, q - 4)
        text = substr(text, 1, p - 1) slurp(tpl "/" name ".tpl") substr(text, p + q + 1)
    }
    return text
}

# Splits a template into literal texts lit[k, 0..n] and value names key[k, 1..n].
function compile(k, text,    n, p, q) {
    n = 0
    while ((p = index(text, "{{")) > 0) {
        lit[k, n] = substr(text, 1, p - 1)
        q = index(substr(text, p), "}}")
        key[k, ++n] = substr(text, p + 2, q - 3)
        text = substr(text, p + q + 1)
    }
    lit[k, n] = text
    count[k] = n
}

BEGIN {
    FS = ","
    page = slurp(tpl "/page.tpl")
    compile("news", expand(replace_all(page, "{{note}}", "\r\n{{>newsnote}}\r\n")))
    compile("other", expand(replace_all(page, "{{note}}", " ")))
    val["site"] = "Bench Site"
}

/^[ \t]*$/ || /^#/ { next }

!have_header {
    for (i = 1; i <= NF; i++) col[tolower($i)] = i
    have_header = 1
    next
}

{
    for (name in col) {
        v = $(col[name])
        sub(/ +$/, "", v)
        val[name] = v == "" ? " " : v
    }
    k = val["section"] == "news" ? "news" : "other"
    path = out "/" $(col["file"])
    printf "%s", lit[k, 0] > path
    for (i = 1; i <= count[k]; i++) printf "%s%s", val[key[k, i]], lit[k, i] > path
    close(path)
}
