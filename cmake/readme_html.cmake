# The README as a page any browser shows, for the Web-Site command: the Markdown as it
# reads, escaped, in a <pre>. Run at build time:
#   cmake -DINPUT=README.md -DOUTPUT=README.html -P readme_html.cmake
file(READ "${INPUT}" text)
string(REPLACE "&" "&amp;" text "${text}")
string(REPLACE "<" "&lt;" text "${text}")
string(REPLACE ">" "&gt;" text "${text}")
# The page's title is the README's first heading.
string(REGEX MATCH "^# ([^\n]*)" heading "${text}")
set(title "${CMAKE_MATCH_1}")
file(WRITE "${OUTPUT}" "<!DOCTYPE html>
<html lang=\"en\">
<head>
<meta charset=\"utf-8\">
<title>${title}</title>
<style>
body { max-width: 52em; margin: 2em auto; padding: 0 1em; }
pre { white-space: pre-wrap; font-size: 1rem; line-height: 1.4; }
</style>
</head>
<body>
<pre>
${text}</pre>
</body>
</html>
")
