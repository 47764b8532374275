object frmBad: TFuzzForm
  object w: TFuzzWidget
    OnClick = WrongSig
    Align = faSideways
  end
end
