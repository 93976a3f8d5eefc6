local size = 1000000
local function mix(a, b, c)
  return (a + b * c) % 1000003
end
local s = 0
for i = 1, size do s = mix(s, i, 3) end
print(s)
