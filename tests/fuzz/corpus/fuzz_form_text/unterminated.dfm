object A
  S = 'unterminated
end
