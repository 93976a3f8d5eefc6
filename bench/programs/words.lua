local size = 300000
local sub = string.sub
local t = "Brindlequay collects text from web sites, one folder at a time. "
local n = #t
local words, chars, inword = 0, 0, 0
for k = 0, size - 1 do
  local p = k % n + 1
  local c = sub(t, p, p)
  if c == " " then
    inword = 0
  else
    chars = chars + #c
    if inword == 0 then words = words + 1; inword = 1 end
  end
end
print(words, chars)
