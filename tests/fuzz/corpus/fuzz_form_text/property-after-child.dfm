object X: TY
  A = 1
  object Z: TW
  end
  B = 2
end
