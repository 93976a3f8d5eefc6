local size = 100000
local count, n = 0, 2
while n < size do
  local d, prime = 2, 1
  while d * d <= n and prime ~= 0 do
    if n % d == 0 then prime = 0 end
    d = d + 1
  end
  if prime ~= 0 then count = count + 1 end
  n = n + 1
end
print(count)
